#include <windows.h>
#include <shlobj.h>

#include "platform/Folders.h"

namespace qor::platform {

namespace {

// A shell folder by its CSIDL number, or "" when the system has none.
std::string shellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

}  // namespace

// The per-user application-data folder ("...\AppData\Roaming").
std::string ConfigFolder() { return shellFolder(CSIDL_APPDATA); }

// The user's documents folder.
std::string DocumentsFolder() { return shellFolder(CSIDL_PERSONAL); }

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0 || PathExists(path); }

bool TouchFile(const std::string& path)
{
    // OPEN_ALWAYS creates the file when it is missing and leaves it otherwise.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace qor::platform

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/MtsEspLibrary.h"

namespace qor {

namespace {

using KnownFolderCall = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
using FreeCall = void(WINAPI*)(LPVOID);

// The two functions come from system modules already in the process (shell32
// is imported by the plug-in and brings ole32 along), looked up by name; this
// runs while the module is being loaded, where loading further modules is
// not safe.
FARPROC systemFunction(const wchar_t* module, const char* name)
{
    const HMODULE handle = GetModuleHandleW(module);
    return handle != nullptr ? GetProcAddress(handle, name) : nullptr;
}

}  // namespace

// "<common program files>\MTS-ESP\LIBMTS.dll", where the MTS-ESP installers
// put the library; looked up by this full path only. "" when the folder
// cannot be found or the path does not fit the system's path limit (a cut
// path would name some other file), which leaves the instrument in
// twelve-tone equal temperament.
std::string MtsEspDefaultPath()
{
    const auto knownFolder = reinterpret_cast<KnownFolderCall>(
        reinterpret_cast<void*>(systemFunction(L"Shell32.dll", "SHGetKnownFolderPath")));
    const auto taskFree =
        reinterpret_cast<FreeCall>(reinterpret_cast<void*>(systemFunction(L"Ole32.dll", "CoTaskMemFree")));
    if (knownFolder == nullptr || taskFree == nullptr) return {};
    PWSTR folder = nullptr;
    const HRESULT found = knownFolder(FOLDERID_ProgramFilesCommon, 0, nullptr, &folder);
    std::wstring path = SUCCEEDED(found) && folder != nullptr ? folder : L"";
    taskFree(folder);
    if (path.empty()) return {};
    path += L"\\MTS-ESP\\LIBMTS.dll";
    if (path.size() >= MAX_PATH) return {};
    // The library is opened through the system's code page; a path it cannot
    // spell exactly is not opened at all.
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (bytes <= 1 || lossy) return {};
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, narrow.data(), bytes, nullptr, &lossy);
    narrow.resize(static_cast<std::size_t>(bytes - 1));
    return lossy ? std::string() : narrow;
}

}  // namespace qor

#include <windows.h>

#include "platform/AtomicFile.h"

namespace qor::platform {

namespace {

bool writeAll(HANDLE file, std::string_view data)
{
    while (!data.empty()) {
        const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data.remove_prefix(written);
    }
    return true;
}

}  // namespace

FileRead ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::string& contents, bool& truncated)
{
    contents.clear();
    truncated = false;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing : FileRead::Failed;
    }
    char buffer[4096];
    FileRead result = FileRead::Ok;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            result = FileRead::Failed;
            break;
        }
        if (n == 0) break;
        const std::size_t room = maxBytes - contents.size();
        if (n > room) {
            contents.append(buffer, room);
            truncated = true;
            break;
        }
        contents.append(buffer, n);
    }
    CloseHandle(file);
    return result;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view contents)
{
    // A fresh name beside the file (same volume, so the move is a rename).
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount() + attempt) +
               ".tmp";
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = writeAll(file, contents) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

}  // namespace qor::platform

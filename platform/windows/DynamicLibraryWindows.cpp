#include <windows.h>

#include <utility>

#include "platform/DynamicLibrary.h"

namespace qor {

namespace {

std::string lastErrorText(const std::string& what)
{
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return what + ": " + reason;
}

}  // namespace

DynamicLibrary::~DynamicLibrary() { close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_))
{
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool DynamicLibrary::open(const std::string& path)
{
    close();
    error_.clear();
    // A bare name would make the loader search the system's folders, so
    // "plugin.dll" would not mean the file in the current folder: the path is
    // made absolute, and the library's own folder is searched for what it
    // imports.
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        error_ = lastErrorText("cannot resolve " + path);
        return false;
    }
    // No "insert the disk" box when the path names a missing drive (for this
    // thread only: the process's error mode belongs to the host).
    DWORD oldMode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode) != 0;
    HMODULE module = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (quiet) SetThreadErrorMode(oldMode, nullptr);
    if (module == nullptr) {
        error_ = lastErrorText("cannot open " + path);
        return false;
    }
    handle_ = reinterpret_cast<void*>(module);
    return true;
}

void DynamicLibrary::close()
{
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

void* DynamicLibrary::symbol(const std::string& name)
{
    if (handle_ == nullptr) {
        error_ = "no library is open";
        return nullptr;
    }
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(handle_), name.c_str());
    if (address == nullptr) {
        error_ = lastErrorText("symbol " + name);
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

}  // namespace qor

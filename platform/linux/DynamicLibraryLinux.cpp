#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace qor {

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
    // A path without a slash would make dlopen search the library path, so
    // "plugin.so" would not mean the file in the current folder.
    std::string resolved = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    // RTLD_LOCAL keeps a plug-in's symbols from resolving another plug-in's.
    handle_ = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error_ = reason != nullptr ? reason : "cannot open " + path;
        return false;
    }
    return true;
}

void DynamicLibrary::close()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

void* DynamicLibrary::symbol(const std::string& name)
{
    if (handle_ == nullptr) {
        error_ = "no library is open";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name.c_str());
    if (address == nullptr) {
        const char* reason = dlerror();
        error_ = reason != nullptr ? reason : "symbol " + name + " is null";
    }
    return address;
}

}  // namespace qor

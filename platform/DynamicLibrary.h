// A shared library opened at run time: open by path, look up symbols, close
// when the owner goes away. Failures are returned with the loader's own text.
#pragma once

#include <string>

namespace qor {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Closes any library held, then opens the one at path. False on failure,
    // with the reason in error().
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // Address of an exported symbol, or null (reason in error()).
    void* symbol(const std::string& name);

    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace qor

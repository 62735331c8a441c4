// Bounded copies of C strings. Every text that crosses the host boundary or
// lands in a fixed-size name field goes through here, so no copy can run past
// its destination or read past a source that lacks a terminator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace qor {

// Copies at most capacity - 1 characters of text and always terminates.
// A capacity of 0 writes nothing.
inline void CopyText(char* dest, std::size_t capacity, std::string_view text)
{
    if (!dest || capacity == 0) return;
    std::size_t n = std::min(text.size(), capacity - 1);
    if (n > 0) std::memmove(dest, text.data(), n);
    dest[n] = '\0';
}

// A view of a text that may lack its terminator: reads at most maxChars bytes.
inline std::string_view BoundedText(const char* text, std::size_t maxChars)
{
    if (!text) return {};
    const void* end = std::memchr(text, '\0', maxChars);
    std::size_t n = end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : maxChars;
    return {text, n};
}

}  // namespace qor

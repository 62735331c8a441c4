// Whole-file reads and replacements for small settings files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qor::platform {

enum class FileRead { Ok, Missing, Failed };

// Reads at most maxBytes of the file into contents. truncated tells whether
// the file holds more.
FileRead ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::string& contents, bool& truncated);

// Writes contents to a temporary file beside path, flushes it to disk and
// renames it over path. On failure path is untouched.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);

}  // namespace qor::platform

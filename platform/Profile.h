// Our own profile (INI) functions, with the behaviour the instrument's
// settings rely on from the classic Windows ones:
// - sections and keys match ignoring ASCII case; the first match wins;
// - a line "[name]" opens a section, "key = value" is a key; blanks around
//   names and values are trimmed; lines starting with ';' and lines without
//   '=' are kept but never match;
// - a missing file, section or key reads as the default;
// - writes keep every other line (comments included) and replace the file
//   atomically, through a temporary file and a rename, so a crash leaves
//   either the old or the new file, never half of one.
// Text that could not be read back as written (a line break or NUL anywhere,
// ']' in a section name, '=' in a key) is refused: the write returns false and
// the file is left as it was.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace qor::platform {

// Files larger than this are read only up to it, and never rewritten (a
// rewrite would lose the rest).
constexpr std::size_t kMaxProfileBytes = 1 << 20;

// The value of key in section, at most limit characters (longer values are
// cut), or defaultValue (also cut to limit) when the file, the section or
// the key is missing.
std::string GetProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                             std::size_t limit, const std::string& path);

// Sets key = value in section, creating the file, the section or the key as
// needed; an existing key (the first one matching) is replaced in place.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path);

// Replaces the whole content of section with lines ("key=value" each); an
// empty list leaves the section empty. The section is created when missing.
bool WriteProfileSection(std::string_view section, std::span<const std::string> lines, const std::string& path);

}  // namespace qor::platform

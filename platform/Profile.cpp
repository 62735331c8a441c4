#include "platform/Profile.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"

namespace qor::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// The name of a section header line, or nothing.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = trim(t.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return KeyLine{key, trim(t.substr(eq + 1))};
}

// The file split into lines (line breaks removed, carriage returns kept so
// that untouched lines are written back as they were).
struct ProfileText {
    std::vector<std::string_view> lines;
};

ProfileText splitLines(std::string_view text)
{
    ProfileText t;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        if (nl == std::string_view::npos) {
            t.lines.push_back(text);
            break;
        }
        t.lines.push_back(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
    return t;
}

// Index of the header of the first section with this name, or nothing.
std::optional<std::size_t> findSection(const ProfileText& t, std::string_view section)
{
    for (std::size_t i = 0; i < t.lines.size(); ++i) {
        const auto name = sectionName(t.lines[i]);
        if (name && sameName(*name, section)) return i;
    }
    return std::nullopt;
}

// One past the last line of the section whose header is at header.
std::size_t sectionEnd(const ProfileText& t, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < t.lines.size() && !sectionName(t.lines[i])) ++i;
    return i;
}

bool hasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos; }

bool validSection(std::string_view section)
{
    return !trim(section).empty() && !hasLineBreakOrNul(section) && section.find(']') == std::string_view::npos;
}

bool validKey(std::string_view key)
{
    const std::string_view t = trim(key);
    return !t.empty() && !hasLineBreakOrNul(key) && key.find('=') == std::string_view::npos && t.front() != ';' &&
           t.front() != '[';
}

// A line "key=value" that reads back as exactly that key and value.
bool validEntry(std::string_view line)
{
    const auto k = keyLine(line);
    return !hasLineBreakOrNul(line) && k.has_value();
}

// Reads the file for rewriting: false when it exists but cannot be read
// whole, as rewriting it would lose what could not be read.
bool readForRewrite(const std::string& path, std::string& text)
{
    bool truncated = false;
    const FileRead r = ReadFilePrefix(path, kMaxProfileBytes, text, truncated);
    if (r == FileRead::Missing) {
        text.clear();
        return true;
    }
    return r == FileRead::Ok && !truncated;
}

std::string join(const std::vector<std::string_view>& lines)
{
    std::string out;
    for (std::string_view line : lines) {
        out.append(line);
        out.push_back('\n');
    }
    return out;
}

// Values end at a NUL, as C strings do, and at limit characters.
std::string cut(std::string_view s, std::size_t limit)
{
    s = s.substr(0, s.find('\0'));
    return std::string(s.substr(0, std::min(limit, s.size())));
}

}  // namespace

std::string GetProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                             std::size_t limit, const std::string& path)
{
    std::string text;
    bool truncated = false;
    if (ReadFilePrefix(path, kMaxProfileBytes, text, truncated) != FileRead::Ok) return cut(defaultValue, limit);
    const ProfileText t = splitLines(text);
    const auto header = findSection(t, section);
    if (!header) return cut(defaultValue, limit);
    const std::size_t end = sectionEnd(t, *header);
    const std::string_view wanted = trim(key);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const auto k = keyLine(t.lines[i]);
        if (k && sameName(k->key, wanted)) return cut(k->value, limit);
    }
    return cut(defaultValue, limit);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path)
{
    if (!validSection(section) || !validKey(key) || hasLineBreakOrNul(value)) return false;
    std::string text;
    if (!readForRewrite(path, text)) return false;
    ProfileText t = splitLines(text);
    const std::string entry = std::string(trim(key)) + "=" + std::string(trim(value));
    const std::string headerLine = "[" + std::string(trim(section)) + "]";

    const auto header = findSection(t, section);
    if (!header) {
        if (!t.lines.empty() && !trim(t.lines.back()).empty()) t.lines.emplace_back();
        t.lines.emplace_back(headerLine);
        t.lines.emplace_back(entry);
        return ReplaceFileAtomically(path, join(t.lines));
    }
    const std::size_t end = sectionEnd(t, *header);
    const std::string_view wanted = trim(key);
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < end; ++i) {
        const auto k = keyLine(t.lines[i]);
        if (k && sameName(k->key, wanted)) {
            t.lines[i] = entry;
            return ReplaceFileAtomically(path, join(t.lines));
        }
        if (!trim(t.lines[i]).empty()) insertAt = i + 1;
    }
    t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return ReplaceFileAtomically(path, join(t.lines));
}

bool WriteProfileSection(std::string_view section, std::span<const std::string> lines, const std::string& path)
{
    if (!validSection(section)) return false;
    for (const std::string& line : lines)
        if (!validEntry(line)) return false;
    std::string text;
    if (!readForRewrite(path, text)) return false;
    ProfileText t = splitLines(text);
    const std::string headerLine = "[" + std::string(trim(section)) + "]";

    const auto header = findSection(t, section);
    std::size_t insertAt = 0;
    if (!header) {
        if (!t.lines.empty() && !trim(t.lines.back()).empty()) t.lines.emplace_back();
        t.lines.emplace_back(headerLine);
        insertAt = t.lines.size();
    } else {
        // Blank lines that separate this section from the next one stay.
        std::size_t end = sectionEnd(t, *header);
        std::size_t contentEnd = end;
        while (contentEnd > *header + 1 && trim(t.lines[contentEnd - 1]).empty()) --contentEnd;
        t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(*header + 1),
                      t.lines.begin() + static_cast<std::ptrdiff_t>(contentEnd));
        insertAt = *header + 1;
    }
    t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), lines.begin(), lines.end());
    return ReplaceFileAtomically(path, join(t.lines));
}

}  // namespace qor::platform

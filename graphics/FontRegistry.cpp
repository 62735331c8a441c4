#include "graphics/FontRegistry.h"

#include <algorithm>
#include <cctype>

namespace gfx {

namespace {

bool SameFamily(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

bool FontRegistry::Add(std::string_view family, bool bold, std::span<const uint8_t> bytes, float width)
{
    auto font = Font::FromMemory(bytes, width);
    if (!font) return false;
    mEntries.push_back({std::string(family), bold, std::move(font)});
    return true;
}

const Font* FontRegistry::Find(std::string_view family, bool bold) const
{
    const Font* regular = nullptr;
    for (const Entry& e : mEntries) {
        if (!SameFamily(e.family, family)) continue;
        if (e.bold == bold) return e.font.get();
        if (!e.bold && !regular) regular = e.font.get();
    }
    if (regular) return regular;
    for (const Entry& e : mEntries)
        if (SameFamily(e.family, family)) return e.font.get();
    return mEntries.empty() ? nullptr : mEntries.front().font.get();
}

}  // namespace gfx

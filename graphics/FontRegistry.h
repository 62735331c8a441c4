// Fonts by family name, for drawing code that names its fonts the way a text
// style does ("Arial", bold). The owner registers each face's bytes once;
// a family asked for but never registered falls back to the first one, so
// text is always drawn. Not thread-safe, like Font.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/Font.h"

namespace gfx {

class FontRegistry {
public:
    // False when the bytes are no font (nothing is registered then). A
    // width below 1 registers the face condensed (see Font::FromMemory).
    bool Add(std::string_view family, bool bold, std::span<const uint8_t> bytes, float width = 1.0f);
    // The face of that family and weight; the regular face when the family
    // has no bold one; the first face registered when the family is unknown;
    // null only while nothing is registered.
    const Font* Find(std::string_view family, bool bold = false) const;

private:
    struct Entry {
        std::string family;
        bool bold;
        std::unique_ptr<Font> font;
    };
    std::vector<Entry> mEntries;
};

}  // namespace gfx

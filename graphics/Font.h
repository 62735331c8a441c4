// A scalable font read from bytes in memory (the editor's fonts are embedded
// in the plug-in), with glyphs rendered by FreeType and cached per size.
// Not thread-safe: one editor thread draws.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace gfx {

class Font {
public:
    // The bytes must outlive the font (embedded resources do). Null when
    // they are no font FreeType reads. A width below 1 draws the face
    // condensed (0.8 = glyphs and advances four fifths as wide).
    static std::unique_ptr<Font> FromMemory(std::span<const uint8_t> bytes, float width = 1.0f);
    ~Font();

    // Advance width of the text in pixels at the size (pixel height of the em).
    int TextWidth(std::string_view text, int size) const;
    int Ascent(int size) const;
    int LineHeight(int size) const;
    // Below the baseline, in pixels (positive).
    int Descent(int size) const;

    // One character's antialiased picture at a size: coverage 0..255 per
    // pixel, `rows` rows of `width` bytes; its top-left sits `left` pixels
    // right of the pen and `top` pixels above the baseline. Text bytes are
    // Latin-1, so byte c is character U+00c.
    struct Glyph {
        std::vector<uint8_t> coverage;
        int width = 0, rows = 0, left = 0, top = 0, advance = 0;
    };
    const Glyph& GetGlyph(uint8_t ch, int size) const;

    struct Impl;
    Impl& impl() const { return *mImpl; }

private:
    explicit Font(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

}  // namespace gfx

// A scalable font read from bytes in memory (the editor's fonts are embedded
// in the plug-in), with glyphs rendered by FreeType and cached per size.
// Not thread-safe: one editor thread draws.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace gfx {

class Font {
public:
    // The bytes must outlive the font (embedded resources do). Null when
    // they are no font FreeType reads.
    static std::unique_ptr<Font> FromMemory(std::span<const uint8_t> bytes);
    ~Font();

    // Advance width of the text in pixels at the size (pixel height of the em).
    int TextWidth(std::string_view text, int size) const;
    int Ascent(int size) const;
    int LineHeight(int size) const;

    struct Impl;
    Impl& impl() const { return *mImpl; }

private:
    explicit Font(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

}  // namespace gfx

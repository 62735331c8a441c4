#include "graphics/Font.h"

#include <algorithm>
#include <array>
#include <map>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace gfx {

namespace {

// Sizes outside this are no text anyone reads; they are clamped.
constexpr int kMinSize = 1, kMaxSize = 256;

int Pixels26_6(FT_Pos v) { return int((v + 32) >> 6); }

}  // namespace

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    struct SizeCache {
        int ascent = 0, descent = 0, lineHeight = 0;
        std::array<Glyph, 256> glyphs;
        std::array<bool, 256> loaded{};
    };
    std::map<int, SizeCache> sizes;

    ~Impl()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    SizeCache& ForSize(int size)
    {
        size = std::clamp(size, kMinSize, kMaxSize);
        auto [it, inserted] = sizes.try_emplace(size);
        if (inserted) {
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
            const FT_Size_Metrics& m = face->size->metrics;
            it->second.ascent = Pixels26_6(m.ascender);
            it->second.descent = Pixels26_6(-m.descender);
            it->second.lineHeight = Pixels26_6(m.height);
        }
        return it->second;
    }

    const Glyph& GlyphAt(uint8_t ch, int size)
    {
        SizeCache& cache = ForSize(size);
        Glyph& g = cache.glyphs[ch];
        if (cache.loaded[ch]) return g;
        cache.loaded[ch] = true;
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::clamp(size, kMinSize, kMaxSize)));
        const FT_UInt index = FT_Get_Char_Index(face, ch);  // Latin-1 byte = code point
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) return g;
        FT_GlyphSlot slot = face->glyph;
        g.advance = Pixels26_6(slot->advance.x);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
        g.width = int(bm.width);
        g.rows = int(bm.rows);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.coverage.resize(size_t(g.width) * size_t(g.rows));
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* src = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
            std::copy(src, src + g.width, g.coverage.begin() + std::ptrdiff_t(y) * g.width);
        }
        return g;
    }
};

std::unique_ptr<Font> Font::FromMemory(std::span<const uint8_t> bytes, float width)
{
    if (!(width > 0.1f && width <= 4.0f)) return nullptr;
    auto impl = std::make_unique<Impl>();
    if (bytes.empty() || FT_Init_FreeType(&impl->library) != 0) return nullptr;
    if (FT_New_Memory_Face(impl->library, bytes.data(), FT_Long(bytes.size()), 0, &impl->face) != 0) {
        impl->face = nullptr;
        return nullptr;
    }
    if (!FT_IS_SCALABLE(impl->face)) return nullptr;
    if (width != 1.0f) {
        FT_Matrix scale{FT_Fixed(width * 65536.0f), 0, 0, 0x10000};
        FT_Set_Transform(impl->face, &scale, nullptr);
    }
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

Font::Font(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
Font::~Font() = default;

int Font::TextWidth(std::string_view text, int size) const
{
    int width = 0;
    for (const char c : text) width += mImpl->GlyphAt(uint8_t(c), size).advance;
    return width;
}

int Font::Ascent(int size) const { return mImpl->ForSize(size).ascent; }
int Font::Descent(int size) const { return mImpl->ForSize(size).descent; }
int Font::LineHeight(int size) const { return mImpl->ForSize(size).lineHeight; }

const Font::Glyph& Font::GetGlyph(uint8_t ch, int size) const { return mImpl->GlyphAt(ch, size); }

}  // namespace gfx

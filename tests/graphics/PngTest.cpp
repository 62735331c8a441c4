// PNG through libpng: pictures come back exactly, every colour type is
// widened to 8-bit ARGB, and bytes that are no PNG give nothing.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <random>
#include <vector>

#include "graphics/Png.h"
#include "graphics/Surface.h"

namespace {

gfx::Bitmap Pattern(int w, int h, int frames)
{
    gfx::Bitmap b(w, h, frames);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Row(y)[x] = uint32_t(rng());
    b.Row(0)[0] = 0;  // transparent black
    return b;
}

bool SamePixels(const gfx::Bitmap& a, const gfx::Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Row(y)[x] != b.Row(y)[x]) return false;
    return true;
}

std::vector<uint8_t> g_written;
void Collect(png_structp, png_bytep data, png_size_t n) { g_written.insert(g_written.end(), data, data + n); }

// A 2-bit palette picture with a transparent entry, written by libpng itself.
std::vector<uint8_t> PalettePng()
{
    g_written.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, nullptr, Collect, nullptr);
    png_set_IHDR(png, info, 4, 1, 2, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    png_set_PLTE(png, info, palette, 3);
    png_byte alpha[1] = {0};
    png_set_tRNS(png, info, alpha, 1, nullptr);
    png_write_info(png, info);
    png_byte row[1] = {0b00011010};  // entries 0, 1, 2, 2
    png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return g_written;
}

TEST(PngTest, RoundTripIsExact)
{
    const gfx::Bitmap original = Pattern(37, 24, 3);
    const std::vector<uint8_t> bytes = gfx::EncodePng(original);
    ASSERT_FALSE(bytes.empty());
    const auto decoded = gfx::DecodePng(bytes, 3);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(SamePixels(*decoded, original));
    EXPECT_EQ(decoded->Frames(), 3);
    EXPECT_EQ(decoded->FrameHeight(), 8);

    // A surface is written as it is shown.
    gfx::Surface s(5, 4);
    s.Clear({255, 1, 2, 3});
    s.FillRect({1, 1, 3, 3}, {200, 90, 80, 70});
    const auto fromSurface = gfx::DecodePng(gfx::EncodePng(s));
    ASSERT_TRUE(fromSurface);
    EXPECT_TRUE(SamePixels(*fromSurface, s.ToBitmap()));
}

TEST(PngTest, OtherColourTypesWidenToArgb)
{
    const auto decoded = gfx::DecodePng(PalettePng());
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->Width(), 4);
    EXPECT_EQ(gfx::Unpack(decoded->Row(0)[0]).a, 0);
    EXPECT_EQ(gfx::Unpack(decoded->Row(0)[1]), (gfx::Color{255, 0, 255, 0}));
    EXPECT_EQ(gfx::Unpack(decoded->Row(0)[2]), (gfx::Color{255, 0, 0, 255}));
}

TEST(PngTest, BadBytesGiveNothing)
{
    const std::vector<uint8_t> good = gfx::EncodePng(Pattern(16, 16, 1));
    EXPECT_FALSE(gfx::DecodePng({}));
    EXPECT_FALSE(gfx::DecodePng(std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0}));
    // Every truncation, and damage in the header and in the pixel data.
    for (size_t n = 0; n < good.size(); n += 7)
        EXPECT_FALSE(gfx::DecodePng(std::span(good.data(), n))) << n;
    for (size_t at : {size_t(12), size_t(20), good.size() / 2}) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x5a;
        EXPECT_FALSE(gfx::DecodePng(bad)) << at;
    }
    // More frames than rows cannot be cut.
    EXPECT_FALSE(gfx::DecodePng(good, 17));
    EXPECT_FALSE(gfx::DecodePng(good, 0));
    EXPECT_TRUE(gfx::DecodePng(good, 16));
}

}  // namespace

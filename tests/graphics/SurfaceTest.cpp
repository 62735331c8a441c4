// Drawing on the raster: bitmap frames, alpha compositing, weighted fills,
// antialiased lines, all checked by the pixels they leave.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/Bitmap.h"
#include "graphics/Surface.h"

namespace {

using gfx::Bitmap;
using gfx::Color;
using gfx::Rect;
using gfx::Surface;

constexpr Color kGround{255, 10, 20, 30};

Surface Ground(int w = 64, int h = 48)
{
    Surface s(w, h);
    s.Clear(kGround);
    return s;
}

Color At(const Surface& s, int x, int y) { return gfx::Unpack(s.Pixel(x, y)); }

// Every pixel outside r still shows the ground.
bool UntouchedOutside(const Surface& s, const Rect& r)
{
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (!r.Contains(x, y) && At(s, x, y) != kGround) return false;
    return true;
}

TEST(SurfaceTest, FrameOfAStripLandsAtItsPlace)
{
    // 10 rows in 3 frames: frames start at rows 0, 3 (3.33 rounded) and 7
    // (6.67 rounded) and are 3 rows high; row 6 belongs to none.
    Bitmap strip(4, 10, 3);
    const Color colours[] = {{255, 255, 0, 0}, {255, 0, 255, 0}, {255, 0, 0, 255}};
    const int firstRow[] = {0, 3, 7};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x) strip.Row(y)[x] = gfx::Pack({255, 99, 99, 99});
    for (int f = 0; f < 3; ++f)
        for (int y = firstRow[f]; y < firstRow[f] + 3; ++y)
            for (int x = 0; x < 4; ++x) strip.Row(y)[x] = gfx::Pack(colours[f]);

    for (int f = 0; f < 3; ++f) {
        Surface s = Ground();
        s.DrawBitmapFrame(strip, f, 20, 11);
        for (int y = 11; y < 14; ++y)
            for (int x = 20; x < 24; ++x) EXPECT_EQ(At(s, x, y), colours[f]) << "frame " << f;
        EXPECT_TRUE(UntouchedOutside(s, {20, 11, 24, 14})) << "frame " << f;
    }
    // Partly off the surface and under a clip: only the visible part is drawn.
    Surface s = Ground();
    s.SetClip({0, 0, 64, 12});
    s.DrawBitmapFrame(strip, 1, 62, 10);
    EXPECT_EQ(At(s, 63, 11), colours[1]);
    EXPECT_TRUE(UntouchedOutside(s, {62, 10, 64, 12}));
}

TEST(SurfaceTest, BitmapPixelsCompositeByTheirAlpha)
{
    Bitmap b(3, 1);
    b.Row(0)[0] = gfx::Pack({0, 255, 255, 255});   // transparent: ground stays
    b.Row(0)[1] = gfx::Pack({128, 250, 0, 100});   // half covers
    b.Row(0)[2] = gfx::Pack({255, 1, 2, 3});       // opaque: replaces
    Surface s = Ground();
    s.DrawBitmapFrame(b, 0, 5, 5);
    EXPECT_EQ(At(s, 5, 5), kGround);
    // dst + (src - dst) * 128 / 255
    EXPECT_EQ(At(s, 6, 5), (Color{255, 130, 10, 65}));
    EXPECT_EQ(At(s, 7, 5), (Color{255, 1, 2, 3}));

    // Over a transparent surface the bitmap keeps its own colour and alpha.
    Surface clear(4, 4);
    clear.DrawBitmapFrame(b, 0, 0, 0);
    EXPECT_EQ(At(clear, 1, 0), (Color{128, 250, 0, 100}));
    EXPECT_EQ(At(clear, 0, 0).a, 0);
}

TEST(SurfaceTest, FillBlendsByAlphaTimesWeight)
{
    Surface s = Ground();
    s.FillRect({4, 4, 8, 6}, {255, 255, 255, 255}, 0.5f);  // a pressed key
    // 10 + 245 * 0.5 = 132.5, 20 + 235 * 0.5 = 137.5, 30 + 225 * 0.5 = 142.5
    EXPECT_EQ(At(s, 4, 4), (Color{255, 133, 138, 143}));
    EXPECT_EQ(At(s, 7, 5), At(s, 4, 4));
    EXPECT_TRUE(UntouchedOutside(s, {4, 4, 8, 6}));

    Surface t = Ground();
    t.FillRect({0, 0, 2, 2}, {64, 0, 255, 64}, 1.0f);  // a selected field
    // alpha 64/255: 10 - 10 * 0.251 = 7.49, 20 + 235 * 0.251 = 78.98, 30 + 34 * 0.251 = 38.5
    EXPECT_EQ(At(t, 1, 1), (Color{255, 7, 79, 39}));
    t.FillRect({0, 0, 2, 2}, {255, 0, 0, 0}, 0.0f);
    EXPECT_EQ(At(t, 1, 1), (Color{255, 7, 79, 39}));
}

TEST(SurfaceTest, LinesFollowTheirPathAndStopAtTheirEnds)
{
    const Color ink{255, 250, 250, 250};
    // Horizontal through pixel centres: exactly the pixels from end to end.
    Surface h = Ground();
    h.DrawLine(10.5f, 20.5f, 30.5f, 20.5f, ink);
    for (int x = 10; x <= 30; ++x) EXPECT_EQ(At(h, x, 20), ink) << x;
    EXPECT_TRUE(UntouchedOutside(h, {10, 20, 31, 21}));

    // A shallow slope: every column between the ends is inked near the line,
    // some pixels only partly (antialiasing), and nothing strays from it.
    Surface s = Ground();
    const float x1 = 2.5f, y1 = 5.5f, x2 = 42.5f, y2 = 20.5f;
    s.DrawLine(x1, y1, x2, y2, ink);
    int partial = 0;
    for (int x = 0; x < s.Width(); ++x) {
        const float lineY = y1 + (x + 0.5f - x1) * (y2 - y1) / (x2 - x1) - 0.5f;
        int columnInk = 0;
        for (int y = 0; y < s.Height(); ++y) {
            const int r = At(s, x, y).r;
            if (r == kGround.r) continue;
            columnInk += r - kGround.r;
            EXPECT_GE(x, 2);
            EXPECT_LE(x, 42);
            EXPECT_LT(std::fabs(y - lineY), 1.0f) << x << "," << y;
            if (r < ink.r - 1) ++partial;
        }
        if (x >= 2 && x <= 42) {
            // The two pixels that share a column add up to one full pixel.
            EXPECT_NEAR(columnInk, ink.r - kGround.r, 2) << x;
        }
    }
    EXPECT_GT(partial, 20);

    // Steep, drawn backwards: one step per row, the same rows inked.
    Surface v = Ground();
    v.DrawLine(30.5f, 40.5f, 25.5f, 3.5f, ink);
    for (int y = 0; y < v.Height(); ++y) {
        int rowInk = 0;
        for (int x = 0; x < v.Width(); ++x) rowInk += At(v, x, y).r - kGround.r;
        if (y >= 3 && y <= 40)
            EXPECT_NEAR(rowInk, ink.r - kGround.r, 2) << y;
        else
            EXPECT_EQ(rowInk, 0) << y;
    }

    // Lines far off the surface or not numbers draw nothing and do not hang.
    Surface f = Ground();
    f.DrawLine(-1e9f, 5, 1e9f, 5, ink);
    f.DrawLine(NAN, 0, 10, 10, ink);
    f.DrawLine(-50, -50, -10, -20, ink);
    EXPECT_TRUE(UntouchedOutside(f, {}));
}

}  // namespace

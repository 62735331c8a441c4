#include "graphics/Surface.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/Font.h"

namespace gfx {

namespace {

uint8_t Channel(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Composites src at opacity `a` (0..1) over the pixel. Over an opaque pixel
// each channel becomes dst + (src - dst) * a; over a translucent one the
// usual "over" of straight (not premultiplied) colours.
void Composite(uint32_t& pixel, Color src, float a)
{
    if (a <= 0.0f) return;
    a = std::min(a, 1.0f);
    const Color dst = Unpack(pixel);
    if (dst.a == 255) {
        pixel = Pack({255, Channel(dst.r + (src.r - dst.r) * a), Channel(dst.g + (src.g - dst.g) * a),
                      Channel(dst.b + (src.b - dst.b) * a)});
        return;
    }
    const float da = dst.a / 255.0f;
    const float outA = a + da * (1.0f - a);
    if (outA <= 0.0f) {
        pixel = 0;
        return;
    }
    const auto mix = [&](uint8_t s, uint8_t d) { return Channel((s * a + d * da * (1.0f - a)) / outA); };
    pixel = Pack({Channel(outA * 255.0f), mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b)});
}

float Fraction(float v) { return v - std::floor(v); }

}  // namespace

Surface::Surface(int width, int height)
    : mWidth(std::max(width, 0)),
      mHeight(std::max(height, 0)),
      mClip{0, 0, mWidth, mHeight},
      mPixels(size_t(mWidth) * size_t(mHeight), 0u)
{
}

Bitmap Surface::ToBitmap() const
{
    Bitmap bitmap(mWidth, mHeight);
    for (int y = 0; y < mHeight; ++y) std::copy(Row(y), Row(y) + mWidth, bitmap.Row(y));
    return bitmap;
}

void Surface::SetClip(const Rect& clip) { mClip = clip.Intersection({0, 0, mWidth, mHeight}); }
void Surface::ResetClip() { mClip = {0, 0, mWidth, mHeight}; }

void Surface::Clear(Color c) { std::fill(mPixels.begin(), mPixels.end(), Pack(c)); }

void Surface::DrawBitmapFrame(const Bitmap& bitmap, int frame, int x, int y)
{
    if (bitmap.Empty()) return;
    DrawBitmapPart(bitmap, bitmap.FrameRect(frame), x, y);
}

void Surface::DrawBitmapPart(const Bitmap& bitmap, const Rect& source, int x, int y)
{
    const Rect src = source.Intersection({0, 0, bitmap.Width(), bitmap.Height()});
    if (src.Empty()) return;
    // Where the source lands, moved by what the bitmap's bounds cut off.
    const int dx = x + (src.left - source.left), dy = y + (src.top - source.top);
    const Rect dst = Rect{dx, dy, dx + src.W(), dy + src.H()}.Intersection(mClip);
    for (int py = dst.top; py < dst.bottom; ++py) {
        const uint32_t* in = bitmap.Row(src.top + py - dy) + (src.left + dst.left - dx);
        uint32_t* out = mPixels.data() + size_t(py) * mWidth;
        for (int px = dst.left; px < dst.right; ++px, ++in) {
            const Color c = Unpack(*in);
            if (c.a == 255)
                out[px] = *in;
            else
                Composite(out[px], c, c.a / 255.0f);
        }
    }
}

void Surface::FillRect(const Rect& r, Color c, float weight)
{
    const Rect area = r.Intersection(mClip);
    const float a = c.a / 255.0f * std::clamp(weight, 0.0f, 1.0f);
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = mPixels.data() + size_t(y) * mWidth;
        for (int x = area.left; x < area.right; ++x) Composite(row[x], c, a);
    }
}

void Surface::BlendPixel(int x, int y, Color c, float coverage)
{
    if (!mClip.Contains(x, y)) return;
    Composite(mPixels[size_t(y) * mWidth + x], c, c.a / 255.0f * std::clamp(coverage, 0.0f, 1.0f));
}

void Surface::DrawLine(float x1, float y1, float x2, float y2, Color c, float weight)
{
    // Far beyond any surface (or not a number): nothing to draw.
    constexpr float kFar = 1e6f;
    for (const float v : {x1, y1, x2, y2})
        if (!(std::fabs(v) < kFar)) return;
    weight = std::clamp(weight, 0.0f, 1.0f);
    // Into pixel-index space: pixel (i, j) is the point (i, j).
    x1 -= 0.5f, y1 -= 0.5f, x2 -= 0.5f, y2 -= 0.5f;
    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    // Walk along the major axis a, spreading each step over the two pixels
    // of the minor axis b that straddle the line (Xiaolin Wu's coverage).
    float a1 = steep ? y1 : x1, b1 = steep ? x1 : y1, a2 = steep ? y2 : x2, b2 = steep ? x2 : y2;
    if (a1 > a2) std::swap(a1, a2), std::swap(b1, b2);
    const float slope = a2 > a1 ? (b2 - b1) / (a2 - a1) : 0.0f;
    const auto plot = [&](int a, float b, float coverage) {
        const int b0 = int(std::floor(b));
        const float f = Fraction(b);
        if (steep) {
            BlendPixel(b0, a, c, coverage * (1.0f - f));
            BlendPixel(b0 + 1, a, c, coverage * f);
        } else {
            BlendPixel(a, b0, c, coverage * (1.0f - f));
            BlendPixel(a, b0 + 1, c, coverage * f);
        }
    };
    // The steps run from the pixel holding the first end to the one holding
    // the last, so the ends are where they were asked to be; the b of each
    // step is the line's own at that a, held at the ends.
    const int first = int(std::lround(a1)), last = int(std::lround(a2));
    // Only the steps that can touch the surface.
    const int lo = std::max(first, -1), hi = std::min(last, (steep ? mHeight : mWidth) + 1);
    for (int a = lo; a <= hi; ++a) {
        const float t = std::clamp(float(a), a1, a2);
        plot(a, b1 + (t - a1) * slope, weight);
    }
}

void Surface::FrameRect(const Rect& r, Color c, float weight)
{
    if (r.Empty()) return;
    FillRect({r.left, r.top, r.right, r.top + 1}, c, weight);
    if (r.H() > 1) FillRect({r.left, r.bottom - 1, r.right, r.bottom}, c, weight);
    if (r.H() > 2) {
        FillRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, c, weight);
        if (r.W() > 1) FillRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, c, weight);
    }
}

void Surface::DrawText(const Font& font, int size, Color c, const Rect& box, Align align, std::string_view text)
{
    const Rect area = box.Intersection(mClip);
    if (area.Empty() || text.empty()) return;
    const int width = font.TextWidth(text, size);
    int penX = box.left;
    if (align == Align::Center)
        penX = box.left + (box.W() - width) / 2;
    else if (align == Align::Right)
        penX = box.right - width;
    // The line (ascent + descent) centred in the box.
    const int ascent = font.Ascent(size), descent = font.Descent(size);
    const int baseline = box.top + (box.H() - (ascent + descent)) / 2 + ascent;
    for (const char ch : text) {
        const Font::Glyph& g = font.GetGlyph(uint8_t(ch), size);
        const int gx = penX + g.left, gy = baseline - g.top;
        for (int y = std::max(0, area.top - gy); y < g.rows && gy + y < area.bottom; ++y) {
            uint32_t* row = mPixels.data() + size_t(gy + y) * mWidth;
            const uint8_t* cov = g.coverage.data() + size_t(y) * g.width;
            for (int x = std::max(0, area.left - gx); x < g.width && gx + x < area.right; ++x)
                if (cov[x]) Composite(row[gx + x], c, c.a / 255.0f * cov[x] / 255.0f);
        }
        penX += g.advance;
    }
}

}  // namespace gfx

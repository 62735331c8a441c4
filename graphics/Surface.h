// The canvas everything is drawn on: an RGBA raster with a clip rectangle.
// The editor draws its controls here; the window (X11, Windows) only copies
// the pixels to the screen, so the panel looks the same on every system and
// can be drawn with no display at all.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Color.h"
#include "graphics/Rect.h"

namespace gfx {

class Font;

enum class Align { Left, Center, Right };

class Surface {
public:
    Surface() = default;
    Surface(int width, int height);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    uint32_t Pixel(int x, int y) const { return mPixels[size_t(y) * mWidth + x]; }
    const uint32_t* Row(int y) const { return mPixels.data() + size_t(y) * mWidth; }
    // As a bitmap (for writing the panel to a PNG).
    Bitmap ToBitmap() const;

    // Drawing stays inside the clip (the whole surface by default).
    void SetClip(const Rect& clip);
    void ResetClip();
    const Rect& Clip() const { return mClip; }

    void Clear(Color c);
    // Frame `frame` (0-based) of the bitmap with its top-left at (x, y),
    // composited by the bitmap's alpha ("over").
    void DrawBitmapFrame(const Bitmap& bitmap, int frame, int x, int y);
    // The part `source` of the bitmap at (x, y).
    void DrawBitmapPart(const Bitmap& bitmap, const Rect& source, int x, int y);
    // Fills the rectangle with the colour, its alpha times `weight` (0..1)
    // deciding how much of it covers what is there.
    void FillRect(const Rect& r, Color c, float weight = 1.0f);
    // One-pixel antialiased line between two points (pixel centres at +0.5).
    // The pixels holding the two ends are inked in full, so the line reaches
    // exactly its ends; where two lines meet, the shared pixel takes both.
    void DrawLine(float x1, float y1, float x2, float y2, Color c, float weight = 1.0f);
    // Blends one pixel with the colour at a coverage (0..1) times its alpha;
    // the building block of antialiased shapes. Outside the clip: nothing.
    void BlendPixel(int x, int y, Color c, float coverage);
    // One-pixel outline just inside the rectangle.
    void FrameRect(const Rect& r, Color c, float weight = 1.0f);
    // Text on one line, vertically centred in the box, aligned horizontally,
    // cut off at the box's edges; size is the em height in pixels.
    void DrawText(const Font& font, int size, Color c, const Rect& box, Align align,
                  std::string_view text);

private:
    int mWidth = 0, mHeight = 0;
    Rect mClip;
    std::vector<uint32_t> mPixels;
};

}  // namespace gfx

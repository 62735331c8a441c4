// A decoded image with its frames stacked vertically (a knob's 65 positions,
// an LED strip's 8 segments). Pixels as in Color.h, not premultiplied.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/Rect.h"

namespace gfx {

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, int frames = 1);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int Frames() const { return mFrames; }
    // Height of one frame: the whole height divided by the frame count.
    int FrameHeight() const;
    // Frame i (0-based) starts at int(Height() * i / Frames() + 0.5).
    Rect FrameRect(int frame) const;
    bool Empty() const { return mPixels.empty(); }

    uint32_t* Row(int y) { return mPixels.data() + size_t(y) * mWidth; }
    const uint32_t* Row(int y) const { return mPixels.data() + size_t(y) * mWidth; }

private:
    int mWidth = 0, mHeight = 0, mFrames = 1;
    std::vector<uint32_t> mPixels;
};

}  // namespace gfx

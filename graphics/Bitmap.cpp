#include "graphics/Bitmap.h"

#include <algorithm>

namespace gfx {

Bitmap::Bitmap(int width, int height, int frames)
    : mWidth(std::max(width, 0)),
      mHeight(std::max(height, 0)),
      mFrames(std::max(frames, 1)),
      mPixels(size_t(mWidth) * size_t(mHeight), 0u)
{
}

int Bitmap::FrameHeight() const { return mHeight / mFrames; }

Rect Bitmap::FrameRect(int frame) const
{
    frame = std::clamp(frame, 0, mFrames - 1);
    const auto start = [this](int i) { return int(double(mHeight) * i / mFrames + 0.5); };
    return {0, start(frame), mWidth, std::min(start(frame) + FrameHeight(), mHeight)};
}

}  // namespace gfx

#include "framework/IBitmapControl.h"

#include <algorithm>
#include <cmath>

namespace qor {

IBitmapControl::IBitmapControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap)
    : IControl(plug, {x, y, x + bitmap.Width(), y + bitmap.FrameHeight()}, paramIndex), mBitmap(bitmap)
{
}

int IBitmapControl::FrameFor(double value, int frames)
{
    if (frames <= 1) return 0;
    const int frame = static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * (frames - 1)));
    return std::min(frame, frames - 1);
}

void IBitmapControl::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    if (mBitmap.Empty()) return;
    surface.DrawBitmapFrame(mBitmap, FrameFor(mValue, mBitmap.Frames()), mRECT.left, mRECT.top);
}

}  // namespace qor

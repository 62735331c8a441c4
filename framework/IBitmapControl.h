// A control drawn as one frame of a multi-frame bitmap chosen by its value:
// frame round(value x (frames - 1)) counting from 0, at the control's top-left
// corner. The rectangle is the size of one frame.
#pragma once

#include "framework/IControl.h"
#include "graphics/Bitmap.h"

namespace qor {

class IBitmapControl : public IControl {
public:
    IBitmapControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap);
    // The frame (from 0) that a value shows on a bitmap of `frames` frames.
    static int FrameFor(double value, int frames);
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

protected:
    const gfx::Bitmap& mBitmap;
};

}  // namespace qor

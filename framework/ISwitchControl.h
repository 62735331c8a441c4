// A bitmap switch: each click advances the value by one frame's step,
// 1 / (frames - 1) (1.0 for a one-frame bitmap), wrapping to 0 past the last.
#pragma once

#include "framework/IBitmapControl.h"

namespace qor {

class ISwitchControl : public IBitmapControl {
public:
    using IBitmapControl::IBitmapControl;
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    // The value after one click from `value` on a bitmap of `frames` frames.
    static double Advance(double value, int frames);
};

}  // namespace qor

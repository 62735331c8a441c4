#include "framework/ISwitchControl.h"

namespace qor {

double ISwitchControl::Advance(double value, int frames)
{
    const double step = frames > 1 ? 1.0 / (frames - 1) : 1.0;
    value += step;
    return value > 1.001 ? 0.0 : value;
}

void ISwitchControl::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    mValue = Advance(mValue, mBitmap.Frames());
    SetDirty(true);
}

}  // namespace qor

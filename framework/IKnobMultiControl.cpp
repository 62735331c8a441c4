#include "framework/IKnobMultiControl.h"

namespace qor {

IKnobMultiControl::IKnobMultiControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap,
                                     double gearing)
    : IBitmapControl(plug, x, y, paramIndex, bitmap), mGearing(gearing)
{
}

void IKnobMultiControl::OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod)
{
    const int height = mRECT.bottom - mRECT.top;
    if (height <= 0) return;
    const double gearing = mod.shift || mod.control ? mGearing * kFineFactor : mGearing;
    mValue += double(dY) / double(mRECT.top - mRECT.bottom) / gearing;
    SetDirty(true);
}

void IKnobMultiControl::OnMouseWheel(int x, int y, const IMouseMod& mod, float delta)
{
    mValue += double(delta) * (mod.shift || mod.control ? kFineWheelStep : kWheelStep);
    SetDirty(true);
}

bool IKnobMultiControl::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    if (mDefaultValue < 0.0) return false;
    mValue = mDefaultValue;
    SetDirty(true);
    return true;
}

}  // namespace qor

#include "framework/IControl.h"

#include <algorithm>

#include "framework/IGraphics.h"
#include "framework/IPlugBase.h"

namespace qor {

IControl::IControl(IPlugBase& plug, const gfx::Rect& rect, int paramIndex)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIndex)
{
}

bool IControl::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    return false;
}

void IControl::SetValueFromPlug(double value)
{
    if (mDefaultValue < 0.0) {
        // The first value the control receives is its double-click default.
        mValue = mDefaultValue = value;
        Redraw();
    } else if (value != mValue) {
        mValue = value;
        Redraw();
    }
}

void IControl::SetValueFromUserInput(double value)
{
    mValue = value;
    SetDirty(true);
}

bool IControl::IsHit(int x, int y) const
{
    return !mTargetRECT.Empty() && mTargetRECT.Contains(x, y);
}

void IControl::SetDirty(bool pushParamToPlug)
{
    mValue = std::clamp(mValue, mClampLo, mClampHi);
    mDirty = true;
    if (!pushParamToPlug || mParamIdx < 0) return;
    if (mGraphics)
        mGraphics->PushParameterFromControl(mParamIdx, mValue);
    else
        mPlug.SetParameterFromEditor(mParamIdx, mValue);
}

}  // namespace qor

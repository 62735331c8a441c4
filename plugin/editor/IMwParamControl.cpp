#include "plugin/editor/IMwParamControl.h"

#include <algorithm>
#include <cmath>

#include "framework/IGraphics.h"
#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "graphics/Font.h"
#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

namespace {

// The grey groups of fields; the others are orange.
bool GreyField(int p)
{
    return (p >= 17 && p <= 25) || (p >= 32 && p <= 37) || (p >= 44 && p <= 46);
}

}  // namespace

IMwParamControl::IMwParamControl(IPlugBase& plug, const gfx::Rect& rect, int paramIndex, PanelView& panel)
    : IControl(plug, rect, paramIndex), mPanel(panel)
{
    mText = panel::style::FieldText();
}

std::string IMwParamControl::Text() const
{
    if (mParamIdx == kLfoSpeed) return mPanel.LfoSpeedText();
    auto lock = mPlug.LockMain();
    const IParameter* param = mPlug.GetParam(mParamIdx);
    if (!param) return {};
    char text[IParameter::kDisplayCapacity] = {};
    mPlug.FormatParamDisplay(mParamIdx, param->Value(), text);
    return text;
}

bool IMwParamControl::IsWorking() const
{
    auto lock = mPlug.LockMain();
    const IParameter* working = mPlug.GetParam(kWorkingParameter);
    return working && working->Int() == mParamIdx;
}

void IMwParamControl::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mod.right && mGraphics) mGraphics->PromptUserInput(*this);
    // Any click makes this the working parameter.
    auto lock = mPlug.LockMain();
    const IParameter* working = mPlug.GetParam(kWorkingParameter);
    if (!working) return;
    const double normalized = working->GetNormalized(mParamIdx);
    if (mGraphics)
        mGraphics->PushParameterFromControl(kWorkingParameter, normalized);
    else
        mPlug.SetParameterFromEditor(kWorkingParameter, normalized);
}

void IMwParamControl::OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod)
{
    const double gearing = mod.shift || mod.control ? kGearing * 10.0 : kGearing;
    mValue += double(dY) / double(mRECT.top - mRECT.bottom) / gearing;
    SetDirty(true);
}

void IMwParamControl::OnMouseWheel(int x, int y, const IMouseMod& mod, float delta)
{
    if (delta == 0.0f) return;
    auto lock = mPlug.LockMain();
    const IParameter* param = mPlug.GetParam(mParamIdx);
    if (!param) return;
    if (param->Step() <= 0.0) {
        mValue += double(delta) * (mod.shift || mod.control ? 0.001 : 0.01);
        SetDirty(true);
        return;
    }
    // Whole notches: a smooth wheel's fraction of a notch still moves one step.
    int notches = static_cast<int>(std::lround(delta));
    if (notches == 0) notches = delta > 0.0f ? 1 : -1;
    double value = param->Value();
    if (mParamIdx == kLfoSpeed && mPanel.LfoSpeedInFives())
        value = std::round((value + 5.0 * notches) / 5.0) * 5.0;
    else
        value += param->Step() * notches;
    value = std::clamp(value, param->Min(), param->Max());
    mValue = param->GetNormalized(value);
    SetDirty(true);
}

bool IMwParamControl::IsDirty() const
{
    return mDirty || IsWorking() != mDrawnWorking || Text() != mDrawnText;
}

void IMwParamControl::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnWorking = IsWorking();
    mDrawnText = Text();
    const gfx::Color fill = mDrawnWorking          ? panel::style::kWorkingFieldFill
                            : GreyField(mParamIdx) ? panel::style::kGreyFieldFill
                                                   : panel::style::kOrangeFieldFill;
    surface.FillRect(mRECT, fill);
    if (mDrawnText.empty()) return;
    const gfx::Font* font = graphics.FindFont(mText);
    if (!font) return;
    // A long wave name is drawn smaller rather than cut off at both ends.
    int size = mText.size;
    while (size > kSmallestTextSize && font->TextWidth(mDrawnText, size) > mRECT.W() - 2 * kTextMargin) --size;
    surface.DrawText(*font, size, mText.color, mRECT, mText.align, mDrawnText);
}

}  // namespace qor


#include "plugin/editor/IMwUtilityKickMasterAware.h"

#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

namespace {
constexpr int kFunctionMode = 2;
constexpr int kValueFunction = 10;  // keys 264..287 choose its value
constexpr int kFirstValueKey = 264, kLastValueKey = 287;
}  // namespace

bool IMwUtilityKickMasterAware::Dimmed() const
{
    if (mPanel.PanelMode() != kFunctionMode) return false;
    if (mPanel.FunctionNumber() != kValueFunction) return true;
    return Number() < kFirstValueKey || Number() > kLastValueKey;
}

void IMwUtilityKickMasterAware::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnDimmed = Dimmed();
    if (mDrawnDimmed)
        surface.FillRect(mRECT, panel::style::kDimmedFill, panel::style::kDimmedWeight);
    else
        IMwUtilityKick::Draw(graphics, surface);
}

}  // namespace qor

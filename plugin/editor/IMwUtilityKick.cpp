#include "plugin/editor/IMwUtilityKick.h"

#include <algorithm>
#include <array>

#include "framework/IGraphics.h"
#include "plugin/CommandRunner.h"
#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

namespace {
constexpr std::array<int, 10> kCommandKeys{2, 4, 5, 6, 7, 10, 11, 12, 32, 33};
}

IMwUtilityKick::IMwUtilityKick(IPlugBase& plug, const gfx::Rect& rect, int number, PanelView& panel,
                               CommandRunner& commands)
    : IControl(plug, rect, -number), mPanel(panel), mCommands(commands)
{
}

bool IMwUtilityKick::IsCommand(int number)
{
    return std::find(kCommandKeys.begin(), kCommandKeys.end(), number) != kCommandKeys.end();
}

void IMwUtilityKick::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    // (A right click would first open the value prompt, which a key without
    // a parameter does not have.)
    mPressed = true;
    mAlternate = mod.right || mod.alt;
    Redraw();
    const int number = Number();
    if (IsCommand(number))
        mCommands.RunCommand(number);
    else
        mPanel.PressPanelKey(number, mAlternate);
    // A press that arrives without the pointer having been seen over the key
    // (a touch, a synthetic click) gets no release of its own.
    if (!mHover) OnMouseUp(x, y, mod);
}

void IMwUtilityKick::OnMouseUp(int x, int y, const IMouseMod& mod)
{
    if (!IsCommand(Number())) mPanel.ReleasePanelKey(Number());
    if (mAlternate) return;
    mPressed = false;
    mValue = 0.0;
    Redraw();
}

void IMwUtilityKick::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    if (mPressed) surface.FillRect(mRECT, panel::style::kPressedFill, panel::style::kPressedWeight);
}

}  // namespace qor

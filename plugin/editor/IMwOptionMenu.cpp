#include "plugin/editor/IMwOptionMenu.h"

#include "plugin/CommandRunner.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

IMwOptionMenu::IMwOptionMenu(IPlugBase& plug, const gfx::Rect& rect, CommandRunner& commands)
    : IControl(plug, rect), mCommands(commands)
{
}

void IMwOptionMenu::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    // The menu opens under the button.
    mCommands.OpenUtilityMenu(mRECT.left, mRECT.bottom);
}

void IMwOptionMenu::OnMouseOver(int x, int y, const IMouseMod& mod)
{
    if (!mHover) Redraw();
    mHover = true;
}

void IMwOptionMenu::OnMouseOut()
{
    if (mHover) Redraw();
    mHover = false;
}

void IMwOptionMenu::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    // Unlit, the background's own button shows through.
    if (mHover) surface.FillRect(mRECT, panel::style::kHoverFill, panel::style::kHoverWeight);
}

}  // namespace qor

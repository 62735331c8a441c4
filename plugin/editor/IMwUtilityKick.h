// A key of the panel: a press sends its number, to the commands (the utility
// keys: load, save, SysEx, user waves) or to the front panel (every other
// key). Drawn by the background art; while held it lights up.
#pragma once

#include "framework/IControl.h"

namespace qor {

class CommandRunner;
class PanelView;

class IMwUtilityKick : public IControl {
public:
    // number: the command or key it sends (stored negated as the control's
    // parameter, so it is never taken for one).
    IMwUtilityKick(IPlugBase& plug, const gfx::Rect& rect, int number, PanelView& panel, CommandRunner& commands);

    int Number() const { return -mParamIdx; }
    // True for the numbers that are utility commands rather than panel keys.
    static bool IsCommand(int number);

    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
    void OnMouseOver(int x, int y, const IMouseMod& mod) override { mHover = true; }
    void OnMouseOut() override { mHover = false; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

protected:
    PanelView& mPanel;
    CommandRunner& mCommands;
    bool mHover = false;
    bool mPressed = false;
    bool mAlternate = false;  // the press was a right click or had alt held
};

}  // namespace qor

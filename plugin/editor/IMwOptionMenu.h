// The button that opens the utility menu; it lights up under the pointer.
#pragma once

#include "framework/IControl.h"

namespace qor {

class CommandRunner;

class IMwOptionMenu : public IControl {
public:
    IMwOptionMenu(IPlugBase& plug, const gfx::Rect& rect, CommandRunner& commands);

    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseOver(int x, int y, const IMouseMod& mod) override;
    void OnMouseOut() override;
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    CommandRunner& mCommands;
    bool mHover = false;
};

}  // namespace qor

// A two-position switch. Bound to a parameter (Output) it steps through its
// frames like any bitmap switch; the memory protection switch instead shows
// and toggles the front panel's own state.
#pragma once

#include "framework/IBitmapControl.h"

namespace qor {

class PanelView;

class IMwSwitchControl : public IBitmapControl {
public:
    // A parameter switch.
    IMwSwitchControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap);
    // The protection switch (number 318).
    IMwSwitchControl(IPlugBase& plug, int x, int y, const gfx::Bitmap& bitmap, PanelView& panel);

    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool IsDirty() const override;
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    PanelView* mPanel = nullptr;
    bool mDrawnOn = false;
};

}  // namespace qor

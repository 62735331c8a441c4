// A two-digit seven-segment display with dots. The front panel gives the lit
// segments; each segment is one frame of the display's bitmap. The two
// value displays also act as value keys: a click presses the display's own
// key, a drag of more than 3 pixels or a wheel notch steps the value.
#pragma once

#include <cstdint>

#include "framework/IControl.h"
#include "graphics/Bitmap.h"

namespace qor {

class PanelView;

class IMwLEDDisplay : public IControl {
public:
    static constexpr int kDragThreshold = 3;  // pixels a drag must exceed

    IMwLEDDisplay(IPlugBase& plug, const gfx::Rect& rect, int number, const gfx::Bitmap& segments, PanelView& panel);

    bool Clickable() const;
    bool IsHit(int x, int y) const override { return Clickable() && IControl::IsHit(x, y); }
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) override;
    bool IsDirty() const override;
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    void Send(int key, bool alternate);

    int mNumber;
    const gfx::Bitmap& mSegments;
    PanelView& mPanel;
    uint16_t mDrawnPattern = 0;
    int mDownY = 0;
    bool mDragged = false;
    bool mAlternate = false;
};

}  // namespace qor

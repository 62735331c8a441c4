// The text display: its bitmap with the front panel's line written in it.
#pragma once

#include <string>

#include "framework/IControl.h"
#include "graphics/Bitmap.h"

namespace qor {

class PanelView;

class IMwTextDisplay : public IControl {
public:
    // The bitmap at (x, y); the line in a box of the bitmap's size at (textX, textY).
    IMwTextDisplay(IPlugBase& plug, int x, int y, int textX, int textY, const gfx::Bitmap& bitmap,
                   PanelView& panel);

    bool IsDirty() const override;
    bool IsHit(int x, int y) const override { return false; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    const gfx::Bitmap& mBitmap;
    PanelView& mPanel;
    gfx::Rect mTextBox;
    std::string mDrawnText;
};

}  // namespace qor

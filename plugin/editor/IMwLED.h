// An indicator LED over a mode key: its bitmap while the front panel has it
// lit, nothing (the unlit LED of the background art) otherwise.
#pragma once

#include "framework/IControl.h"
#include "graphics/Bitmap.h"

namespace qor {

class PanelView;

class IMwLED : public IControl {
public:
    // x, y: top-left corner; the LED takes its bitmap's size.
    IMwLED(IPlugBase& plug, int x, int y, int number, const gfx::Bitmap& bitmap, PanelView& panel);

    bool Lit() const;
    bool IsDirty() const override { return mDirty || Lit() != mDrawnLit; }
    bool IsHit(int x, int y) const override { return false; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    int mNumber;
    const gfx::Bitmap& mBitmap;
    PanelView& mPanel;
    bool mDrawnLit = false;
};

}  // namespace qor

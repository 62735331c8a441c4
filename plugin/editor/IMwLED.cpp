#include "plugin/editor/IMwLED.h"

#include "plugin/PanelView.h"

namespace qor {

IMwLED::IMwLED(IPlugBase& plug, int x, int y, int number, const gfx::Bitmap& bitmap, PanelView& panel)
    : IControl(plug, {x, y, x + bitmap.Width(), y + bitmap.FrameHeight()}, -number),
      mNumber(number),
      mBitmap(bitmap),
      mPanel(panel)
{
}

bool IMwLED::Lit() const { return mPanel.LedOn(mNumber); }

void IMwLED::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnLit = Lit();
    if (mDrawnLit && !mBitmap.Empty()) surface.DrawBitmapFrame(mBitmap, 0, mRECT.left, mRECT.top);
}

}  // namespace qor

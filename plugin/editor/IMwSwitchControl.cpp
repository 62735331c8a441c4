#include "plugin/editor/IMwSwitchControl.h"

#include "framework/ISwitchControl.h"
#include "plugin/PanelView.h"

namespace qor {

IMwSwitchControl::IMwSwitchControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap)
    : IBitmapControl(plug, x, y, paramIndex, bitmap)
{
}

IMwSwitchControl::IMwSwitchControl(IPlugBase& plug, int x, int y, const gfx::Bitmap& bitmap, PanelView& panel)
    : IBitmapControl(plug, x, y, -PanelView::kProtectSwitch, bitmap), mPanel(&panel)
{
}

void IMwSwitchControl::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mPanel) {
        mPanel->SetProtectSwitch(!mPanel->ProtectSwitchOn());
        Redraw();
        return;
    }
    mValue = ISwitchControl::Advance(mValue, mBitmap.Frames());
    SetDirty(true);
}

bool IMwSwitchControl::IsDirty() const
{
    return mDirty || (mPanel && mPanel->ProtectSwitchOn() != mDrawnOn);
}

void IMwSwitchControl::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    if (!mPanel) {
        IBitmapControl::Draw(graphics, surface);
        return;
    }
    mDrawnOn = mPanel->ProtectSwitchOn();
    if (!mBitmap.Empty()) surface.DrawBitmapFrame(mBitmap, mDrawnOn ? 1 : 0, mRECT.left, mRECT.top);
}

}  // namespace qor

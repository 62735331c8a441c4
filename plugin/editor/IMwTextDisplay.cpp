#include "plugin/editor/IMwTextDisplay.h"

#include "framework/IGraphics.h"
#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

IMwTextDisplay::IMwTextDisplay(IPlugBase& plug, int x, int y, int textX, int textY, const gfx::Bitmap& bitmap,
                               PanelView& panel)
    : IControl(plug, {x, y, x + bitmap.Width(), y + bitmap.FrameHeight()}, -325),
      mBitmap(bitmap),
      mPanel(panel),
      mTextBox{textX, textY, textX + bitmap.Width(), textY + bitmap.FrameHeight()}
{
    mText = panel::style::DisplayText();
}

bool IMwTextDisplay::IsDirty() const
{
    return mDirty || mPanel.DisplayText() != mDrawnText;
}

void IMwTextDisplay::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnText = mPanel.DisplayText();
    if (!mBitmap.Empty()) surface.DrawBitmapFrame(mBitmap, 0, mRECT.left, mRECT.top);
    if (mDrawnText.empty()) return;
    // The text box sits a little lower than the bitmap; what would reach
    // below the display is cut off.
    const gfx::Rect clip = surface.Clip();
    surface.SetClip(clip.Intersection(mRECT));
    if (const gfx::Font* font = graphics.FindFont(mText))
        surface.DrawText(*font, mText.size, mText.color, mTextBox, mText.align, mDrawnText);
    surface.SetClip(clip);
}

}  // namespace qor

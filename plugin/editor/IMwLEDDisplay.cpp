#include "plugin/editor/IMwLEDDisplay.h"

#include <array>
#include <cstdlib>

#include "plugin/PanelLayout.h"
#include "plugin/PanelView.h"

namespace qor {

namespace {
// Frame i of the segment bitmap shows the segment of mask i.
constexpr std::array<uint8_t, 8> kFrameMasks{PanelView::kSegA, PanelView::kSegF, PanelView::kSegE,
                                             PanelView::kSegD, PanelView::kSegC, PanelView::kSegB,
                                             PanelView::kSegDot, PanelView::kSegG};
constexpr int kValueUp = 317, kValueDown = 316;
}  // namespace

IMwLEDDisplay::IMwLEDDisplay(IPlugBase& plug, const gfx::Rect& rect, int number, const gfx::Bitmap& segments,
                             PanelView& panel)
    : IControl(plug, rect, -number), mNumber(number), mSegments(segments), mPanel(panel)
{
}

bool IMwLEDDisplay::Clickable() const
{
    return mNumber == PanelView::kDisplayLeft || mNumber == PanelView::kDisplayRight;
}

void IMwLEDDisplay::Send(int key, bool alternate)
{
    mPanel.PressPanelKey(key, alternate);
    mPanel.ReleasePanelKey(key);
}

void IMwLEDDisplay::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (!Clickable()) return;
    mDownY = y;
    mDragged = false;
    mAlternate = mod.right || mod.alt;
}

void IMwLEDDisplay::OnMouseUp(int x, int y, const IMouseMod& mod)
{
    // A press that became a drag was a value change, not a click.
    if (Clickable() && !mDragged) Send(mNumber, mAlternate);
    mDragged = false;
}

void IMwLEDDisplay::OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod)
{
    if (!Clickable()) return;
    if (!mDragged && std::abs(y - mDownY) <= kDragThreshold) return;
    mDragged = true;
    if (dY > 0) Send(kValueDown, false);
    if (dY < 0) Send(kValueUp, false);
}

void IMwLEDDisplay::OnMouseWheel(int x, int y, const IMouseMod& mod, float delta)
{
    if (!Clickable()) return;
    if (delta >= 1.0f) Send(kValueUp, false);
    if (delta <= -1.0f) Send(kValueDown, false);
}

bool IMwLEDDisplay::IsDirty() const
{
    return mDirty || mPanel.SegmentPattern(mNumber) != mDrawnPattern;
}

void IMwLEDDisplay::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnPattern = mPanel.SegmentPattern(mNumber);
    if (mSegments.Empty()) return;
    const uint8_t digits[2] = {uint8_t(mDrawnPattern >> 8), uint8_t(mDrawnPattern & 0xFF)};
    const int xs[2] = {mRECT.left + panel::kDigitLeftX, mRECT.left + panel::kDigitRightX};
    for (int d = 0; d < 2; ++d)
        for (int i = 0; i < int(kFrameMasks.size()) && i < mSegments.Frames(); ++i)
            if (digits[d] & kFrameMasks[size_t(i)])
                surface.DrawBitmapFrame(mSegments, i, xs[d], mRECT.top + panel::kDigitY);
}

}  // namespace qor

#include "framework/IDialogLook.h"

#include <algorithm>
#include <cmath>

#include "framework/IDialogLayer.h"
#include "graphics/Font.h"

namespace qor {

namespace {

// A filled disc drawn as antialiased rows.
void Disc(gfx::Surface& s, const gfx::Rect& r, gfx::Color c)
{
    const float cx = (r.left + r.right) / 2.0f, cy = (r.top + r.bottom) / 2.0f, radius = r.W() / 2.0f;
    for (int y = r.top; y < r.bottom; ++y) {
        const float dy = y + 0.5f - cy;
        if (std::fabs(dy) >= radius) continue;
        const float half = std::sqrt(radius * radius - dy * dy);
        s.DrawLine(cx - half + 0.5f, y + 0.5f, cx + half - 0.5f, y + 0.5f, c);
    }
}

void ThickLine(gfx::Surface& s, float x1, float y1, float x2, float y2, gfx::Color c)
{
    for (float d = -1.0f; d <= 1.0f; d += 1.0f) s.DrawLine(x1 + d, y1, x2 + d, y2, c);
}

}  // namespace

int IDialogLook::Measure(std::string_view text, int size) const
{
    return mFont ? mFont->TextWidth(text, size) : int(text.size()) * size / 2;
}

void IDialogLook::Text(gfx::Surface& s, int size, gfx::Color c, const gfx::Rect& box, gfx::Align align,
                       std::string_view text) const
{
    if (mFont && !text.empty()) s.DrawText(*mFont, size, c, box, align, text);
}

void IDialogLook::Draw(const IDialogLayer& layer, gfx::Surface& s) const
{
    const int size = IDialogLayer::kTextSize;
    if (const IMenuView* menu = layer.Menu()) {
        for (size_t level = 0; level < menu->Levels().size(); ++level) {
            const IMenuView::Level& l = menu->Levels()[level];
            s.FillRect(l.rect, kPanel);
            s.FrameRect(l.rect, kBorder);
            for (int i = 0; i < int(l.menu->items.size()); ++i) {
                const IPopupMenu::Item& item = l.menu->items[size_t(i)];
                const gfx::Rect r = menu->ItemRect(level, i);
                if (item.separator) {
                    const float y = (r.top + r.bottom) / 2.0f;
                    s.DrawLine(r.left + 4.0f, y, r.right - 4.0f, y, kDisabledText);
                    continue;
                }
                const bool lit = i == l.highlighted;
                if (lit) s.FillRect(r, kHighlight);
                const gfx::Color c = !IMenuView::Selectable(item) ? kDisabledText : lit ? kHighlightText : kText;
                if (item.checked) {
                    const float x = r.left + 6.0f, y = (r.top + r.bottom) / 2.0f;
                    ThickLine(s, x, y, x + 3.5f, y + 4.0f, c);
                    ThickLine(s, x + 3.5f, y + 4.0f, x + 10.0f, y - 5.0f, c);
                }
                if (item.submenu) {
                    const float x = r.right - 12.0f, y = (r.top + r.bottom) / 2.0f;
                    for (int d = 0; d < 5; ++d) s.DrawLine(x + d, y - 4.0f + d, x + d, y + 4.0f - d, c);
                }
                Text(s, size, c, {r.left + IMenuView::kTextInset, r.top, r.right - IMenuView::kArrowRoom, r.bottom},
                     gfx::Align::Left, l.menu->ItemLabel(size_t(i)));
            }
        }
    }
    if (const IMessageBoxView* box = layer.Box()) {
        const gfx::Rect r = box->Rect();
        s.FillRect(r.Offset(4, 4), {255, 0, 0, 0}, 0.35f);  // shadow
        s.FillRect(r, {255, kPanel.r, kPanel.g, kPanel.b});
        const gfx::Rect title{r.left, r.top, r.right, r.top + IMessageBoxView::kTitleHeight};
        s.FillRect(title, kBorder);
        s.FrameRect(r, kBorder);
        Text(s, size, kHighlightText, {title.left + 8, title.top, title.right - 8, title.bottom}, gfx::Align::Left,
             box->Title());
        if (box->GetIcon() != IMessageBoxView::Icon::None) {
            const gfx::Rect icon = box->IconRect();
            const bool error = box->GetIcon() == IMessageBoxView::Icon::Error;
            Disc(s, icon, error ? gfx::Color{255, 210, 40, 40} : gfx::Color{255, 40, 110, 210});
            const float cx = (icon.left + icon.right) / 2.0f, cy = (icon.top + icon.bottom) / 2.0f;
            const gfx::Color white{255, 255, 255, 255};
            if (error) {
                ThickLine(s, cx - 7, cy - 7, cx + 7, cy + 7, white);
                ThickLine(s, cx - 7, cy + 7, cx + 7, cy - 7, white);
            } else {
                s.FillRect({int(cx) - 2, int(cy) - 9, int(cx) + 2, int(cy) - 5}, white);
                s.FillRect({int(cx) - 2, int(cy) - 3, int(cx) + 2, int(cy) + 10}, white);
            }
        }
        const gfx::Rect text = box->TextRect();
        for (size_t i = 0; i < box->Lines().size(); ++i) {
            const int top = text.top + int(i) * IMessageBoxView::kLineHeight;
            Text(s, size, kText, {text.left, top, text.right, top + IMessageBoxView::kLineHeight}, gfx::Align::Left,
                 box->Lines()[i]);
        }
        for (int i = 0; i < int(box->Buttons().size()); ++i) {
            const IMessageBoxView::Button& b = box->Buttons()[size_t(i)];
            const bool pressed = i == box->Pressed();
            s.FillRect(b.rect, pressed ? kHighlight : gfx::Color{255, 64, 64, 70});
            s.FrameRect(b.rect, i == box->Focused() ? kBorder : gfx::Color{255, 100, 100, 106});
            if (i == box->Focused()) s.FrameRect({b.rect.left + 1, b.rect.top + 1, b.rect.right - 1, b.rect.bottom - 1}, kBorder);
            Text(s, size, pressed ? kHighlightText : kText, b.rect, gfx::Align::Center, b.label);
        }
    }
    if (const ITextEntryBox* entry = layer.Entry()) {
        const IText& style = entry->Style();
        const gfx::Rect box = entry->Box();
        const gfx::Rect frame{box.left, box.top, box.right + 1, box.bottom + 1};
        if (!entry->caption.empty()) {
            const gfx::Rect caption{frame.left, frame.top - IMessageBoxView::kLineHeight, frame.right, frame.top};
            s.FillRect(caption, {255, kPanel.r, kPanel.g, kPanel.b});
            Text(s, size, kText, {caption.left + 4, caption.top, caption.right, caption.bottom}, gfx::Align::Left,
                 entry->caption);
        }
        s.FillRect(frame, style.entryBackground);
        s.FrameRect(frame, kBorder);
        const gfx::Rect clip = s.Clip();
        s.SetClip(clip.Intersection({box.left + 1, box.top + 1, box.right, box.bottom}));
        const std::string& text = entry->Text();
        const int width = Measure(text, style.size);
        const int left = entry->TextLeft(width);
        const gfx::Rect line{left, box.top, std::max(left + width, box.right - ITextEntryBox::kInset), box.bottom};
        if (entry->AllSelected()) {
            s.FillRect({left, box.top + 2, left + width, box.bottom - 2}, kSelection);
            Text(s, style.size, kHighlightText, line, gfx::Align::Left, text);
        } else {
            Text(s, style.size, style.entryText, line, gfx::Align::Left, text);
            const int x = left + Measure(std::string_view(text).substr(0, size_t(entry->Caret())), style.size);
            s.FillRect({x, box.top + 2, x + 1, box.bottom - 2}, style.entryText);
        }
        s.SetClip(clip);
    }
}

}  // namespace qor

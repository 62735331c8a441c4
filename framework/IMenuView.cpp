#include "framework/IMenuView.h"

#include <algorithm>

namespace qor {

IMenuView::IMenuView(IPopupMenu menu, int x, int y, const gfx::Rect& bounds, MeasureText measure)
    : mMenu(std::move(menu)), mBounds(bounds), mMeasure(std::move(measure))
{
    Open(mMenu, x, y, x);
}

bool IMenuView::Selectable(const IPopupMenu::Item& item)
{
    return !item.separator && !item.disabled && (item.submenu ? !item.submenu->items.empty() : item.tag >= 0);
}

void IMenuView::Open(const IPopupMenu& menu, int x, int y, int parentLeft)
{
    int columnWidth = kMinWidth - 2 * kPadding;
    for (size_t i = 0; i < menu.items.size(); ++i)
        if (!menu.items[i].separator)
            columnWidth = std::max(columnWidth, kTextInset + (mMeasure ? mMeasure(menu.ItemLabel(i)) : 0) + kArrowRoom -
                                                    2 * kPadding);
    // The items top to bottom, a new column where the next would pass the
    // bounds (positions relative to the first item's corner for now).
    std::vector<gfx::Rect> items;
    const int room = mBounds.H() - 2 * kPadding;
    int column = 0, top = 0, tallest = 0;
    for (const IPopupMenu::Item& item : menu.items) {
        const int h = item.separator ? kSeparatorHeight : kItemHeight;
        if (top > 0 && top + h > room) {
            ++column;
            top = 0;
        }
        const int left = column * columnWidth;
        items.push_back({left, top, left + columnWidth, top + h});
        top += h;
        tallest = std::max(tallest, top);
    }
    const int width = std::min((column + 1) * columnWidth + 2 * kPadding, mBounds.W());
    const int height = std::min(tallest + 2 * kPadding, mBounds.H());
    // A column that would leave the editor on the right opens to the left of
    // its parent column instead; one too low moves up.
    if (x + width > mBounds.right) x = std::max(mBounds.left, (parentLeft == x ? mBounds.right : parentLeft) - width);
    if (y + height > mBounds.bottom) y = std::max(mBounds.top, mBounds.bottom - height);
    x = std::max(x, mBounds.left);
    y = std::max(y, mBounds.top);
    for (gfx::Rect& r : items) r = r.Offset(x + kPadding, y + kPadding);
    mLevels.push_back({&menu, {x, y, x + width, y + height}, -1, std::move(items)});
}

gfx::Rect IMenuView::ItemRect(size_t level, int item) const
{
    return mLevels.at(level).items.at(size_t(item));
}

gfx::Rect IMenuView::Area() const
{
    gfx::Rect area;
    for (const Level& l : mLevels) area = area.Union(l.rect);
    return area;
}

std::pair<int, int> IMenuView::HitTest(int x, int y) const
{
    for (int level = int(mLevels.size()) - 1; level >= 0; --level) {
        const Level& l = mLevels[size_t(level)];
        if (!l.rect.Contains(x, y)) continue;
        for (int i = 0; i < int(l.menu->items.size()); ++i)
            if (ItemRect(size_t(level), i).Contains(x, y)) return {level, i};
        return {level, -1};
    }
    return {-1, -1};
}

bool IMenuView::OpenSubmenu(size_t level)
{
    Level& l = mLevels[level];
    if (l.highlighted < 0) return false;
    const IPopupMenu::Item& item = l.menu->items[size_t(l.highlighted)];
    if (!item.submenu || !Selectable(item)) return false;
    const gfx::Rect parent = ItemRect(level, l.highlighted);
    const int parentLeft = l.rect.left;
    mLevels.resize(level + 1);
    Open(*item.submenu, mLevels[level].rect.right - 2, parent.top - kPadding, parentLeft);
    return true;
}

void IMenuView::Choose(size_t level, int item)
{
    if (item < 0) return;
    const IPopupMenu::Item& chosen = mLevels[level].menu->items[size_t(item)];
    if (!Selectable(chosen)) return;
    mLevels[level].highlighted = item;
    if (chosen.submenu) {
        if (OpenSubmenu(level)) MoveHighlight(+1);
        return;
    }
    mAnswer = chosen.tag;
    mDone = true;
}

void IMenuView::MouseMove(int x, int y)
{
    if (mDone) return;
    const auto [level, item] = HitTest(x, y);
    if (level < 0) return;  // outside: the highlight stays where the keys left it
    Level& l = mLevels[size_t(level)];
    if (item == l.highlighted && size_t(level) + 1 < mLevels.size()) return;  // over the open submenu's parent
    l.highlighted = (item >= 0 && Selectable(l.menu->items[size_t(item)])) ? item : -1;
    mLevels.resize(size_t(level) + 1);
    OpenSubmenu(size_t(level));
}

void IMenuView::MouseDown(int x, int y)
{
    if (mDone) return;
    const auto [level, item] = HitTest(x, y);
    if (level < 0) {
        Dismiss();
        return;
    }
    mLevels.resize(size_t(level) + 1);
    Choose(size_t(level), item);
}

void IMenuView::MoveHighlight(int step)
{
    Level& l = mLevels.back();
    const int n = int(l.menu->items.size());
    int i = l.highlighted;
    for (int tries = 0; tries < n; ++tries) {
        i = (i < 0) ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
        if (Selectable(l.menu->items[size_t(i)])) {
            l.highlighted = i;
            return;
        }
    }
}

void IMenuView::Key(const ITypedKey& key)
{
    if (mDone) return;
    using Kind = ITypedKey::Kind;
    const size_t deepest = mLevels.size() - 1;
    switch (key.kind) {
        case Kind::Down: MoveHighlight(+1); break;
        case Kind::Up: MoveHighlight(-1); break;
        case Kind::Right:
            if (OpenSubmenu(deepest)) MoveHighlight(+1);
            break;
        case Kind::Left:
            if (deepest > 0) mLevels.pop_back();
            break;
        case Kind::Escape:
            if (deepest > 0) {
                mLevels.pop_back();
            } else {
                Dismiss();
            }
            break;
        case Kind::Enter: Choose(deepest, mLevels.back().highlighted); break;
        case Kind::Character:
            if (key.ch == ' ') Choose(deepest, mLevels.back().highlighted);
            break;
        default: break;
    }
}

void IMenuView::Dismiss()
{
    if (mDone) return;
    mAnswer = -1;
    mDone = true;
}

}  // namespace qor

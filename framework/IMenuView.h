// A popup menu open on the editor: the menu and its open submenus, each a
// column of items beside its parent item, with the highlighted item, mouse
// and keyboard navigation and the answer. The editor draws it itself (the
// look is IDialogLook's); this holds what is open where and what was chosen.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "framework/IPopupMenu.h"
#include "framework/ITypedKey.h"
#include "graphics/Rect.h"

namespace qor {

class IMenuView {
public:
    using MeasureText = std::function<int(std::string_view)>;
    static constexpr int kItemHeight = 20;
    static constexpr int kSeparatorHeight = 7;
    static constexpr int kPadding = 3;       // around the items
    static constexpr int kTextInset = 22;    // left of the text: room for the check mark
    static constexpr int kArrowRoom = 24;    // right of the text: room for a submenu's arrow
    static constexpr int kMinWidth = 80;

    struct Level {
        const IPopupMenu* menu;
        gfx::Rect rect;
        int highlighted = -1;
        std::vector<gfx::Rect> items;  // where each item lies
    };

    // Opens at (x, y), moved inside `bounds` where it would leave them. A
    // menu taller than the bounds continues in further columns to the right,
    // so that every item can be seen and chosen.
    IMenuView(IPopupMenu menu, int x, int y, const gfx::Rect& bounds, MeasureText measure);

    void MouseMove(int x, int y);
    // A press on an item chooses it (or opens its submenu); a press outside
    // every open column dismisses the menu.
    void MouseDown(int x, int y);
    // Up and down move the highlight over the items that can be chosen,
    // right and Enter open a submenu, left and Escape close one; Enter or
    // space on an item chooses it; Escape on the menu itself dismisses it.
    void Key(const ITypedKey& key);
    void Dismiss();

    bool Done() const { return mDone; }
    // The chosen item's tag; -1 when dismissed.
    int Answer() const { return mAnswer; }

    const std::vector<Level>& Levels() const { return mLevels; }
    gfx::Rect ItemRect(size_t level, int item) const;
    // Everything the open columns cover.
    gfx::Rect Area() const;
    // Whether the item can be chosen or opened.
    static bool Selectable(const IPopupMenu::Item& item);

private:
    void Open(const IPopupMenu& menu, int x, int y, int parentLeft);
    bool OpenSubmenu(size_t level);
    void Choose(size_t level, int item);
    void MoveHighlight(int step);
    // The (level, item) under the point; level -1 when outside every column.
    std::pair<int, int> HitTest(int x, int y) const;

    IPopupMenu mMenu;
    gfx::Rect mBounds;
    MeasureText mMeasure;
    std::vector<Level> mLevels;
    bool mDone = false;
    int mAnswer = -1;
};

}  // namespace qor

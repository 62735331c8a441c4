// A popup menu as data: items in order, each with its text, flags and an
// optional submenu. The caller tags each item with the number it wants back
// (the utility menu uses command numbers), so a menu's answer does not
// depend on how a window numbers its items.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qor {

struct IPopupMenu {
    // How items are numbered in front of their text (from 1): none, "%1d: %s",
    // "%02d: %s" or "%03d: %s".
    enum class Prefix { None, OneDigit, TwoDigits, ThreeDigits };

    struct Item {
        std::string text;
        int tag = -1;  // what choosing the item answers; -1 for none
        bool separator = false;
        bool disabled = false;
        bool checked = false;
        std::shared_ptr<IPopupMenu> submenu;
    };

    std::vector<Item> items;
    Prefix prefix = Prefix::None;

    Item& Add(std::string text, int tag) {
        Item& item = items.emplace_back();
        item.text = std::move(text);
        item.tag = tag;
        return item;
    }
    void AddSeparator() { items.emplace_back().separator = true; }
    IPopupMenu& AddSubmenu(std::string text) {
        Item& item = items.emplace_back();
        item.text = std::move(text);
        item.submenu = std::make_shared<IPopupMenu>();
        return *item.submenu;
    }
    // The item text with its numbering prefix (number counts from 1).
    std::string ItemLabel(size_t index) const;
};

}  // namespace qor

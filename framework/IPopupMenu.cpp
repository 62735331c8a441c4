#include "framework/IPopupMenu.h"

#include <cstdio>

namespace qor {

std::string IPopupMenu::ItemLabel(size_t index) const {
    const std::string& text = items.at(index).text;
    const char* format = nullptr;
    switch (prefix) {
        case Prefix::None: return text;
        case Prefix::OneDigit: format = "%1d: %s"; break;
        case Prefix::TwoDigits: format = "%02d: %s"; break;
        case Prefix::ThreeDigits: format = "%03d: %s"; break;
    }
    char label[512];
    std::snprintf(label, sizeof label, format, int(index) + 1, text.c_str());
    return label;
}

}  // namespace qor

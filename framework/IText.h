// A control's text style: font, size, colour and alignment, and the colours a
// text entry box takes from it.
#pragma once

#include <string>

#include "graphics/Color.h"
#include "graphics/Surface.h"

namespace qor {

struct IText {
    std::string font = "Verdana";  // "Arial" or "Verdana"
    int size = 14;
    gfx::Color color{255, 0, 0, 0};
    gfx::Align align = gfx::Align::Center;
    bool bold = false;
    bool italic = false;
    gfx::Color entryBackground{255, 255, 255, 255};
    gfx::Color entryText{255, 0, 0, 0};
};

}  // namespace qor

// A key press as the editor sees it, before it is decided who takes it: a
// control under the pointer (as an IKey code), an open text entry or menu
// (editing keys and characters), or nobody (then the host gets it).
#pragma once

#include "framework/IMouseMod.h"

namespace qor {

struct ITypedKey {
    enum class Kind { Character, Enter, Escape, Backspace, Delete, Left, Right, Up, Down, Home, End, Tab, Other };

    Kind kind = Kind::Other;
    char ch = 0;  // Kind::Character: printable ASCII, space included
    bool shift = false;

    // The control key code (space, arrows, digits, letters either case), or -1.
    int PanelKey() const {
        switch (kind) {
            case Kind::Up: return kKeyUp;
            case Kind::Down: return kKeyDown;
            case Kind::Left: return kKeyLeft;
            case Kind::Right: return kKeyRight;
            case Kind::Character:
                if (ch == ' ') return kKeySpace;
                if (ch >= '0' && ch <= '9') return kKeyDigit0 + (ch - '0');
                if (ch >= 'A' && ch <= 'Z') return kKeyLetterA + (ch - 'A');
                if (ch >= 'a' && ch <= 'z') return kKeyLetterA + (ch - 'a');
                return -1;
            default: return -1;
        }
    }
};

}  // namespace qor

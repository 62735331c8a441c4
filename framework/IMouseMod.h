// The modifiers of a mouse event, in the order the controls are given them.
#pragma once

namespace qor {

struct IMouseMod {
    bool left = false, right = false, shift = false, control = false, alt = false;
};

// Keys the window hands to a control (letters either case map alike).
enum IKey : int {
    kKeySpace = 0, kKeyUp = 1, kKeyDown = 2, kKeyLeft = 3, kKeyRight = 4,
    kKeyDigit0 = 5,   // '0'..'9' are 5..14
    kKeyLetterA = 15  // 'A'..'Z' are 15..40
};

}  // namespace qor

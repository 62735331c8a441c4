// Characters on the panel's seven-segment digits, as PanelView's kSeg* bits.
#pragma once

#include <cstdint>
#include <string_view>

#include "plugin/PanelView.h"

namespace qor::segments {

using P = PanelView;

// One character: digits, a minus, a blank, and the few letters the panel
// spells with ("In", "Cr", "Fn", "tr", "Pr", "on", "oF"). Anything else is blank.
constexpr uint8_t Glyph(char c)
{
    switch (c) {
    case '0': return P::kSegA | P::kSegB | P::kSegC | P::kSegD | P::kSegE | P::kSegF;
    case '1': return P::kSegB | P::kSegC;
    case '2': return P::kSegA | P::kSegB | P::kSegG | P::kSegE | P::kSegD;
    case '3': return P::kSegA | P::kSegB | P::kSegG | P::kSegC | P::kSegD;
    case '4': return P::kSegF | P::kSegG | P::kSegB | P::kSegC;
    case '5': return P::kSegA | P::kSegF | P::kSegG | P::kSegC | P::kSegD;
    case '6': return P::kSegA | P::kSegF | P::kSegG | P::kSegE | P::kSegD | P::kSegC;
    case '7': return P::kSegA | P::kSegB | P::kSegC;
    case '8': return P::kSegA | P::kSegB | P::kSegC | P::kSegD | P::kSegE | P::kSegF | P::kSegG;
    case '9': return P::kSegA | P::kSegB | P::kSegC | P::kSegD | P::kSegF | P::kSegG;
    case '-': return P::kSegG;
    case 'I': return P::kSegE | P::kSegF;
    case 'n': return P::kSegC | P::kSegE | P::kSegG;
    case 'C': return P::kSegA | P::kSegD | P::kSegE | P::kSegF;
    case 'r': return P::kSegE | P::kSegG;
    case 'F': return P::kSegA | P::kSegE | P::kSegF | P::kSegG;
    case 't': return P::kSegD | P::kSegE | P::kSegF | P::kSegG;
    case 'P': return P::kSegA | P::kSegB | P::kSegE | P::kSegF | P::kSegG;
    case 'o': return P::kSegC | P::kSegD | P::kSegE | P::kSegG;
    default: return 0;
    }
}

// Two characters as a display's pattern: left digit in the high byte.
constexpr uint16_t Pair(char left, char right)
{
    return static_cast<uint16_t>(Glyph(left) << 8 | Glyph(right));
}
constexpr uint16_t Text(std::string_view two) { return Pair(two.size() > 0 ? two[0] : ' ', two.size() > 1 ? two[1] : ' '); }

constexpr uint16_t kLeftDot = static_cast<uint16_t>(P::kSegDot) << 8;
constexpr uint16_t kRightDot = P::kSegDot;

// A number 0..99 right-aligned on one display ("7" is " 7").
constexpr uint16_t Number(int n)
{
    if (n < 0 || n > 99) return 0;
    return Pair(n >= 10 ? static_cast<char>('0' + n / 10) : ' ', static_cast<char>('0' + n % 10));
}

// A value -99..999 across the two white displays, read as one four-digit
// number: the right display holds the last two digits, the left one the
// minus sign or the hundreds. So -5 is "  -5", -15 is " -15", 127 is " 127".
struct Field {
    uint16_t left = 0;
    uint16_t right = 0;
};
constexpr Field ValueField(int v)
{
    if (v < -99 || v > 999) return {Text("--"), Text("--")};
    if (v >= 100) return {Pair(' ', static_cast<char>('0' + v / 100)), Pair(static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10))};
    if (v >= 0) return {0, Number(v)};
    if (v > -10) return {0, Pair('-', static_cast<char>('0' - v))};
    return {Pair(' ', '-'), Number(-v)};
}

}  // namespace qor::segments

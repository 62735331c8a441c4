// A colour as (alpha, red, green, blue), 0..255 each; alpha 255 is opaque.
#pragma once

#include <cstdint>

namespace gfx {

struct Color {
    uint8_t a = 255, r = 0, g = 0, b = 0;

    friend bool operator==(const Color&, const Color&) = default;
};

// Pixels are kept as 0xAARRGGBB in native-endian 32-bit words: on a
// little-endian machine that is B, G, R, A in memory, which both an X11
// 24/32-bit visual and a Windows DIB section take without conversion.
inline uint32_t Pack(Color c) {
    return uint32_t(c.a) << 24 | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}
inline Color Unpack(uint32_t p) {
    return {uint8_t(p >> 24), uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
}

}  // namespace gfx

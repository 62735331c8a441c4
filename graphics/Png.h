// PNG in and out through libpng, from and to bytes in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "graphics/Bitmap.h"

namespace gfx {

class Surface;

// Any PNG colour type and depth comes back as 8-bit ARGB; nothing for bytes
// that are no PNG (libpng's errors are caught, never reach the caller).
std::optional<Bitmap> DecodePng(std::span<const uint8_t> bytes, int frames = 1);
std::vector<uint8_t> EncodePng(const Surface& surface);
std::vector<uint8_t> EncodePng(const Bitmap& bitmap);

}  // namespace gfx

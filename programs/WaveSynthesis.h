// Renders a harmonic description of one cycle into the multi-resolution wave
// layout the oscillators read (see engine/WaveMemory.h): the user waves are
// computed this way, and so were the fixed waves.
#pragma once

#include <cstdint>
#include <span>

#include "programs/HarmonicMap.h"

namespace qor {

// Peak of the rendered wave in sample units (128 is zero): the loudest value
// over all six levels is scaled to 128 +/- 115.
constexpr double kWavePeak = 115.0;

// Fills a 1024-byte sample table and its 1024-byte slope table.
// Level j sums every harmonic up to its highest harmonic (128, 64, 32, 16, 8, 4)
// as sine * sin(2 pi h i / n) + cosine * cos(2 pi h i / n) over its n samples;
// the loudest value of all levels is scaled to kWavePeak. A sample byte is
// round(value + 128) clamped to 0..255; a slope byte is the rounded difference
// to the next value of the same level (the last one wraps to the level's first),
// as a two's-complement byte.
//
// Slopes beyond the signed byte's range (a level swinging more than 127 in one
// step, e.g. a lone harmonic near the top of level 0) are saturated at -128 or
// 127 rather than wrapped: a wrapped slope would send the interpolation the
// wrong way. Harmonics with a non-finite amplitude are ignored.
// An empty or silent map gives all samples 128 and all slopes 0.
void renderWaveTables(const HarmonicMap& harmonics, std::span<uint8_t, 1024> samples,
                      std::span<uint8_t, 1024> slopes);

}  // namespace qor

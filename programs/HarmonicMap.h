// A wave described by its harmonics: the recipe of a user wave, and the form
// in which the fixed waves are designed.
#pragma once

#include <cstdint>
#include <map>

namespace qor {

// Amplitudes of one harmonic: the wave holds cosine * cos(h x) + sine * sin(h x).
struct HarmonicAmplitude {
    double cosine = 0;
    double sine = 0;
};

// Harmonic number (1..255) -> amplitudes, in ascending harmonic order.
using HarmonicMap = std::map<uint8_t, HarmonicAmplitude>;

}  // namespace qor

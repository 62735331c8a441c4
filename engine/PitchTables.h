// Pitch units and their frequencies.
//
// Pitch units: 128 per equal-tempered semitone, unit 0 = MIDI note 0
// (8.176 Hz), 1536 per octave, valid range 0..17280 (note 135).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qor {

constexpr int kPitchUnitsPerSemitone = 128;
constexpr int kPitchUnitsPerOctave = 1536;
constexpr int kMaxPitch = 17280;

// The oscillators step on an emulated hardware clock, not the host's rate.
constexpr double kHardwareClock = 41666.666666666664;

// noteFreq[n] = 440 * 2^((n - 69) / 12) rounded to three decimals (notes
// 124..127 to two), n = 0..135.
const std::array<double, 136>& noteFreqTable();
// lowFreq[n] = 8.176 * 2^(-n / 12) rounded to ten decimals, n = 0..135.
const std::array<double, 136>& lowFreqTable();

// Frequency in Hz of a pitch in pitch units, interpolated linearly between
// semitones; negative pitches continue below note 0.
double pitchToFreq(int p);

// The inverse of pitchToFreq, truncated towards zero: for hz at or above
// 8.176 the highest pitch whose frequency is not above hz, below it the
// lowest pitch whose frequency is not below hz; clamped to
// -17280..17280. hz must be finite and positive.
int freqToPitch(double hz);

// incrementTable[i] = round(pitchToFreq(i) * 2^24 / 41666.67), i = 0..17280:
// the oscillator's 24-bit phase increment per hardware tick.
const std::array<int32_t, kMaxPitch + 1>& incrementTable();

inline int32_t phaseIncrement(int pitch)
{
    if (pitch < 0) pitch = 0;
    if (pitch > kMaxPitch) pitch = kMaxPitch;
    return incrementTable()[static_cast<size_t>(pitch)];
}

}  // namespace qor

// The instrument's 60 parameters by index. The index is the host automation
// index and the order of values in a program's state; indices 8..49 are the
// hardware's parameter numbers 1..42 (number = index - 7).
#pragma once

#include <array>
#include <cstddef>

namespace qor {

enum ParamIndex : int {
    kVolume = 0,
    kOutput = 1,
    kMasterTune = 2,
    kTranspose = 3,
    kPortamento = 4,
    kMono = 5,
    kPriority = 6,
    kWorkingParameter = 7,
    kOsc1Wave = 8,
    kRange = 9,
    kPortaSpeed = 10,
    kBalance = 11,
    kPitchBend = 12,
    kAutoBend = 13,
    kOsc2Wave = 14,
    kOsc2Coarse = 15,
    kOsc2Fine = 16,
    kCutoff = 17,
    kResonance = 18,
    kLowCut = 19,
    kEnvelope = 20,
    kVcfAttack = 21,
    kVcfDecay = 22,
    kVcfEnvInvert = 23,
    kVcfSustain = 24,
    kVcfRelease = 25,
    kLevel = 26,
    kVcaAttack = 27,
    kVcaDecay = 28,
    kLowBoost = 29,
    kVcaSustain = 30,
    kVcaRelease = 31,
    kLfoShape = 32,
    kLfoSpeed = 33,
    kLfoDelay = 34,
    kLfoToOsc = 35,
    kLfoToVcf = 36,
    kLfoToVca = 37,
    kVeloVcf = 38,
    kVeloVca = 39,
    kPresOscBal = 40,
    kPresVcf = 41,
    kPresVca = 42,
    kPresLfoOsc = 43,
    kKbVcf = 44,
    kKbVca = 45,
    kChorus = 46,
    kVoices = 47,
    kMonoDetune = 48,
    kVcfFreqOffset = 49,
    kLfoSync = 50,
    kChorusSpeed = 51,
    kChorusDepth = 52,
    kVoiceAllocationMode = 53,
    kReserved1 = 54,
    kNumParams = 60,
};

// Plain range and default of every parameter, in parameter units. The
// parameter table builds its parameter objects from these; the engine uses
// them to start in the initial program's state when it runs on its own.
struct ParamRange {
    double min;
    double max;
    double defaultValue;
};

inline constexpr std::array<ParamRange, kNumParams> paramRanges{{
    {0, 1, 0.5},     // Volume
    {0, 1, 1},       // Output
    {-50, 50, 0},    // Master Tune
    {-5, 6, 0},      // Transpose
    {0, 1, 0},       // Portamento
    {0, 1, 0},       // Mono
    {0, 1, 0},       // Priority
    {8, 49, 17},     // Working Parameter
    {0, 34, 30},     // OSC 1 Wave
    {0, 2, 0},       // Range
    {0, 99, 0},      // Porta Speed
    {-15, 15, 0},    // Balance
    {0, 12, 2},      // Pitch Bend
    {-31, 31, 0},    // Auto Bend
    {0, 34, 30},     // OSC 2 Wave
    {-24, 24, 0},    // OSC 2 Coarse
    {-10, 10, 0},    // OSC 2 Fine
    {0, 99, 50},     // Cutoff
    {0, 31, 0},      // Resonance
    {0, 31, 0},      // Low Cut
    {0, 31, 0},      // Envelope
    {0, 31, 0},      // VCF Attack
    {0, 31, 0},      // VCF Decay
    {0, 1, 0},       // VCF Env. Invert
    {0, 31, 0},      // VCF Sustain
    {0, 31, 0},      // VCF Release
    {0, 31, 31},     // Level
    {0, 31, 0},      // VCA Attack
    {0, 31, 0},      // VCA Decay
    {0, 24, 18},     // Low Boost (dB; 18 is flat on the display)
    {0, 31, 31},     // VCA Sustain
    {0, 31, 0},      // VCA Release
    {1, 7, 1},       // LFO Shape
    {0, 99, 0},      // LFO Speed
    {0, 31, 0},      // LFO Delay
    {0, 31, 0},      // LFO to OSC
    {0, 31, 0},      // LFO to VCF
    {0, 31, 0},      // LFO to VCA
    {0, 15, 0},      // Velo VCF
    {0, 15, 0},      // Velo VCA
    {0, 15, 0},      // Pres. OSC Bal.
    {0, 15, 0},      // Pres. VCF
    {0, 15, 0},      // Pres. VCA
    {0, 15, 0},      // Pres. LFO OSC
    {-15, 15, 0},    // KB VCF
    {-15, 15, 0},    // KB VCA
    {0, 7, 0},       // Chorus
    {0, 4, 1},       // Voices (1, 6, 12, 32, 64)
    {0, 15, 3},      // Mono Detune
    {-24, 24, 0},    // VCF Freq.Offset
    {0, 1, 0},       // LFO Sync
    {-31, 31, 0},    // Chorus Speed
    {-31, 0, 0},     // Chorus Depth
    {0, 1, 0},       // Voice Allocation Mode
    {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0},  // Reserved 1..6
}};

// Normalised value of a plain value (every parameter maps linearly).
inline double normalisedValue(int index, double plain)
{
    const ParamRange& r = paramRanges[static_cast<size_t>(index)];
    const double v = plain < r.min ? r.min : (plain > r.max ? r.max : plain);
    return (v - r.min) / (r.max - r.min);
}

}  // namespace qor

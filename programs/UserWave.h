// User waves from sample data: the harmonic analysis that turns one cycle of
// samples into a harmonic map, the 32-harmonic recipe the hardware keeps and
// exchanges, and the two waves a freshly initialised program starts with.
//
// The tables themselves are rendered by renderWaveTables (WaveSynthesis.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "programs/HarmonicMap.h"

namespace qor {

// Harmonics the analysis keeps at most, and the loudest level it scales to.
constexpr int kAnalysedHarmonics = 128;
constexpr double kAnalysisLevel = 31.0;

// Entries of a recipe, and the smallest level that earns a harmonic a place.
constexpr std::size_t kRecipeEntries = 32;
constexpr double kRecipeThreshold = 0.5;

// Samples of the default waves of a new program.
constexpr std::size_t kDefaultWaveSamples = 512;

// Reads the whole input as one cycle of count = samples.size() values and
// returns harmonics 1..M, M = min(count / 2, 128):
//   w   = 0.54 + 0.46 cos((a - 1)(pi / 2) / M)
//   C_a = sum w x_i cos(2 pi a i / count),  S_a = sum w x_i sin(2 pi a i / count)
// every C_a and S_a then scaled by 31 / B, B the largest |C_a| or |S_a|.
// Cosine amplitude C_a, sine amplitude S_a. Silence gives an empty map: B = 0,
// or B no larger than the rounding noise of the sums (a constant input).
// Samples that are not finite count as silence.
HarmonicMap AnalyseSamples(std::span<const double> samples);

// The hardware's form of an analysed wave: in ascending order, each harmonic
// with d = |S_a| + |C_a| >= 0.5 becomes a sine-phase entry of level d, until
// 32 entries exist; the levels are then scaled so that the largest is 31.
HarmonicMap RecipeFromAnalysis(const HarmonicMap& analysis);

// The internal user wave of a new program: a triangle, k for k < 128,
// 256 - k up to 383, then k - 512.
std::array<double, kDefaultWaveSamples> DefaultInternalWave();
// The cartridge user wave of a new program: a pulse, 192 samples of -1,
// 128 of 7, 192 of -1.
std::array<double, kDefaultWaveSamples> DefaultCartridgeWave();

// A user wave in both its forms: the recipe and the rendered tables (1024
// sample bytes, then 1024 slope bytes).
struct UserWaveForms {
    HarmonicMap recipe;
    std::array<uint8_t, 2048> tables{};
};

// The default wave of a memory (0 the triangle, 1 the pulse) exactly as
// WriteUserWaveSamples turns it into tables and a recipe. Every initialised
// program starts from the same two waves, so they are analysed and rendered
// once, on first use, instead of at every initialisation (a bank received by
// SysEx initialises 50 programs).
const UserWaveForms& DefaultUserWave(int memory);

}  // namespace qor

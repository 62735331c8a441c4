// The resonant filter's two lookup tables, indexed by pitch 0..17280 (pitch
// units, 128 per semitone). One set per engine: they depend on the engine's
// sample rate, so two instances running at different rates must not share them.
#pragma once

#include <vector>

namespace qor {

struct FilterTables {
    double sampleRate = 0;
    // cutoffW[i] = pitchToFreq(i) 2 pi / sampleRate
    std::vector<double> cutoffW;
    // resoK[i], f = pitchToFreq(i): 4.1 below 500 Hz, 4.005 above 2000 Hz,
    // 4.1 - (f - 500) 0.095 / 1500 in between. Always above 4, the ladder's
    // oscillation threshold, so that full resonance self-oscillates.
    std::vector<double> resoK;
    // The ladder's rate-dependent coefficients from w = cutoffW[i]:
    // n = 1 / (w + 2); ladderO = (w - 2) n; ladderG = w n; ladderG4 = ladderG^4
    // (the same operations the filter would do, so the same values).
    std::vector<double> ladderO;
    std::vector<double> ladderG;
    std::vector<double> ladderG4;

    // Allocates on the first call only; called at construction and on a rate
    // change, never while rendering.
    void build(double rate);
};

}  // namespace qor

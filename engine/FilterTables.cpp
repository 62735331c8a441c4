#include "engine/FilterTables.h"

#include <numbers>

#include "engine/PitchTables.h"

namespace qor {

void FilterTables::build(double rate)
{
    sampleRate = rate;
    cutoffW.resize(kMaxPitch + 1);
    resoK.resize(kMaxPitch + 1);
    ladderO.resize(kMaxPitch + 1);
    ladderG.resize(kMaxPitch + 1);
    ladderG4.resize(kMaxPitch + 1);
    for (int i = 0; i <= kMaxPitch; ++i) {
        const double f = pitchToFreq(i);
        cutoffW[i] = f * 2.0 * std::numbers::pi / rate;
        if (f < 500.0)
            resoK[i] = 4.1;
        else if (f > 2000.0)
            resoK[i] = 4.005;
        else
            resoK[i] = 4.1 - (f - 500.0) * 0.095 / 1500.0;
        const double w = cutoffW[i];
        const double n = 1.0 / (w + 2.0);
        ladderO[i] = (w - 2.0) * n;
        const double g = w * n;
        ladderG[i] = g;
        ladderG4[i] = g * g * g * g;
    }
}

}  // namespace qor

#include "engine/ResonantFilter.h"

#include "engine/LadderStep.h"

namespace qor {

void ResonantFilter::setTables(const FilterTables* filterTables)
{
    tables = filterTables;
    lastCutoff = -1.0;
}

void ResonantFilter::reset(double rate)
{
    sampleRate = rate;
    // The resonance already carries its 0.99 scale from setResonance; scaling
    // it again here would lower it a little further with every rate change.
    lastCutoff = -1.0;
    if (resonance >= 1.0)
        prime = 1;
    else
        clearStages();
    o = g = g4 = outGain = norm = 0.0;
    antiDenormal = 1e-13;
}

void ResonantFilter::setResonance(double e, bool voiceSilent)
{
    resonance = e < 1.0 ? e * 0.99 : e;
    const double r = resonance;
    if (r >= 1.0) {
        resonanceGain = 0.5;
    } else {
        // Loudest at half resonance, back to 1 at both ends of the range.
        const double l = r < 0.0 ? 0.5 : std::abs(r - 0.5);
        resonanceGain = 2.0 - (2.0 * l) * (2.0 * l);
    }
    lastCutoff = -1.0;
    if (!voiceSilent) return;
    if (resonance >= 1.0)
        prime = 1;
    else
        clearStages();
}

// The voice lanes (VoiceLanes.cpp) compute the same coefficients several at
// a time, to the bit: a change here belongs there too.
void ResonantFilter::computeCoefficients(int pitch)
{
    lastCutoff = pitch;
    if (tables == nullptr || tables->ladderG4.size() <= static_cast<size_t>(kMaxPitch)) {
        o = g = g4 = feedback = outGain = 0.0;
        norm = 1.0;
        return;
    }
    const auto p = static_cast<size_t>(pitch);
    feedback = resonance * tables->resoK[p];
    outGain = resonanceGain;
    o = tables->ladderO[p];
    g = tables->ladderG[p];
    g4 = tables->ladderG4[p];
    norm = 1.0 / (g4 * feedback + 1.0);
}

void ResonantFilter::primeOscillation()
{
    // A silent ladder at full resonance has nothing to ring with; kick it.
    prime = 0;
    s1 = s2 = s3 = s4 = 1.0;
    core(1.0);
    for (int i = 1; i < 32; ++i) core(0.0);
}

double ResonantFilter::core(double x)
{
    LadderState<double> s{s1, s2, s3, s4, antiDenormal};
    const LadderCoefficients<double> c{g, g4, o, feedback, norm};
    double y;
    ladderStep(x, s, c, y);
    s1 = s.s1, s2 = s.s2, s3 = s.s3, s4 = s.s4, antiDenormal = s.antiDenormal;
    return y * outGain;
}

}  // namespace qor

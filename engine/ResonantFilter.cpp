#include "engine/ResonantFilter.h"

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

// Computed in lanes, to the bit, by VoiceLanes.cpp as well: change both together.
double ResonantFilter::core(double x)
{
    const double d = antiDenormal;
    const auto offset = [d](double& v) { v = std::isnan(v) ? 0.0 : v + d; };
    offset(s1);
    offset(s2);
    offset(s3);
    offset(s4);
    antiDenormal = -d;
    if (std::isnan(x)) x = 0.0;

    const double y = (g * (g * (g * s1 + s2) + s3) + s4 + g4 * x) * norm;

    // Soft clip of the feedback path: a rational tanh-like curve, limited to +/-5.
    const double h = 0.2 * y;
    double sat;
    if (h < -3.0)
        sat = -5.0;
    else if (h > 3.0)
        sat = 5.0;
    else
        sat = (h * h + 27.0) * 5.0 * h / (9.0 * h * h + 27.0);

    double v = (x - sat * feedback) * g;
    const double y1 = s1 + v;
    s1 = v - o * y1;
    v = y1 * g;
    const double y2 = s2 + v;
    s2 = v - o * y2;
    v = y2 * g;
    const double y3 = s3 + v;
    s3 = v - o * y3;
    v = y3 * g;
    const double y4 = s4 + v;
    s4 = v - o * y4;
    return y * outGain;
}

}  // namespace qor

// The voice's resonant low-pass: a four-stage ladder with saturating feedback,
// cutoff in pitch units (128 per semitone), self-oscillating at full resonance.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/FilterTables.h"
#include "engine/PitchTables.h"

namespace qor {

class ResonantFilter {
public:
    // The engine's tables; the filter only reads them. Without tables the
    // filter is silent.
    void setTables(const FilterTables* filterTables);

    // From the voice reset on a rate change, after the owner rebuilt the
    // tables. Keeps the resonance; a filter at full resonance is primed again.
    void reset(double rate);

    // e = Resonance / 31. r = e x 0.99 below 1, exactly 1 at the top.
    // voiceSilent: the voice's smoothed amplitude is below 1e-13, so the
    // state may be touched without a click.
    void setResonance(double e, bool voiceSilent);

    // Audio thread. Coefficients are recomputed only when the rounded cutoff
    // pitch changes; pitches outside 0..17280 use the end entries.
    double process(double x, double cutoffPitch)
    {
        updateCoefficients(cutoffPitch);
        if (prime) primeOscillation();
        return core(x);
    }

    // One ladder step on the current coefficients.
    double core(double x);

    double sampleRate = 0;
    double resonance = 0;
    double g4 = 0;
    double g = 0;
    double o = 0;
    double feedback = 0;
    double outGain = 0;
    double resonanceGain = 1.0;  // outGain at the current resonance (1 at resonance 0)
    double norm = 0;
    double lastCutoff = -1.0;
    double s1 = 0;
    double s2 = 0;
    double s3 = 0;
    double s4 = 0;
    double antiDenormal = 1e-13;
    uint8_t prime = 0;
    const FilterTables* tables = nullptr;

private:
    void updateCoefficients(double cutoffPitch)
    {
        // Clamp before rounding: a NaN or huge cutoff must not reach the int.
        double c = cutoffPitch;
        if (!(c >= 0.0)) c = 0.0;
        if (c > kMaxPitch) c = kMaxPitch;
        // Rounded half away from zero, as std::round does, without the
        // library call: c - t is the exact fraction of a non-negative c.
        const int t = static_cast<int>(c);
        const int d = c - t >= 0.5 ? t + 1 : t;
        if (d != lastCutoff) computeCoefficients(d);
    }

    void computeCoefficients(int pitch);
    void primeOscillation();
    void clearStages() { s1 = s2 = s3 = s4 = 0.0; }
};

}  // namespace qor

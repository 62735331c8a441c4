// The engine-wide first-order low cut on the voice sum.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace qor {

class LowCut {
public:
    // Clears the state and takes the new rate; a cut that is on keeps its
    // corner frequency, recomputed for the rate.
    void reset(double sampleRate);

    // e = Low Cut / 31; 0 bypasses the filter. Corner: pitchToFreq(e x 12288),
    // up to note 96 (2093 Hz). w = corner x w0, n = 1 / (w + 2),
    // c2 = 2 n, c1 = (w - 2) n.
    void set(double e);

    // Audio thread. Unchanged when disabled.
    double process(double u)
    {
        if (!enabled) return u;
        state = std::isnan(state) ? 0.0 : state + antiDenormal;
        antiDenormal = -antiDenormal;
        const double out = (state + u) * c2;
        // The output scales the state by c2 as well, so this is a cut with a
        // floor (DC at 2w / (w + 2)^2, -19 dB at the top setting), not a true zero at DC.
        state = -(c2 * u) - (state + c2 * u) * c1;
        return out;
    }

    uint8_t enabled = 0;
    double c1 = 0.0;
    double c2 = 0.0;
    double w0 = 2.0 * std::numbers::pi / 44100.0;
    double state = 0.0;
    double antiDenormal = 1e-13;
    // The Low Cut setting, kept so that a rate change can redesign the cut.
    double amount = 0.0;
};

}  // namespace qor

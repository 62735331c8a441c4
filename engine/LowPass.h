// Two-pole filters on f64 samples: the Butterworth low-pass used to smooth
// control values (64 Hz) and around the chorus delay lines (8000 Hz), and the
// low-shelf boost on the voice sum.
#pragma once

#include <cmath>
#include <numbers>

namespace qor {

// Second-order low-pass, Q = 1/sqrt(2). Fields are public records of the
// filter's state; the owners hold it by value, so `process` on a member is
// resolved at compile time.
class LowPass {
public:
    LowPass() = default;
    LowPass(const LowPass&) = default;
    LowPass& operator=(const LowPass&) = default;
    virtual ~LowPass() = default;

    // Audio thread. y = b0 (x + x2) + b1 x1 + c1 y1 + c2 y2. The voices'
    // smoothers also run in lanes in VoiceLanes.cpp: change both together.
    virtual double process(double x)
    {
        offsetState(x);
        return update(x);
    }

    // process() for a low-pass whose last call was process() or
    // processNext(): that call left x1, x2 and y2 as sums of a number and the
    // offset, which are numbers, so only the input and y1 need the check (one
    // in a chain of steps). The result is process()'s to the bit.
    double processNext(double x)
    {
        const double d = antiDenormal;
        x = std::isnan(x) ? 0.0 : x + d;
        x1 += d;
        x2 += d;
        y1 = std::isnan(y1) ? 0.0 : y1 + d;
        y2 += d;
        antiDenormal = -d;
        return update(x);
    }

    // Stores the rate, w0 = 2 pi / sr, and clears the state.
    void setSampleRate(double sr);

    // w = w0 fc; alpha = sin w / sqrt 2; n = 1 / (1 + alpha);
    // b0 = (1 - cos w) / 2 n; b1 = (1 - cos w) n; c1 = 2 cos w n;
    // c2 = (alpha - 1) n. Clears the state.
    void design(double fc);

    void clearState();

    double sampleRate = 44100.0;
    double c1 = 0.0;
    double c2 = 0.0;
    double b0 = 0.0;
    double b1 = 0.0;
    double w0 = 2.0 * std::numbers::pi / 44100.0;
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
    double antiDenormal = 1e-13;

protected:
    // Every sample: a NaN input or state becomes 0, anything else gets the
    // alternating 1e-13 that keeps the recursion out of denormal range.
    void offsetState(double& x)
    {
        const double d = antiDenormal;
        const auto offset = [d](double& v) { v = std::isnan(v) ? 0.0 : v + d; };
        offset(x);
        offset(x1);
        offset(x2);
        offset(y1);
        offset(y2);
        antiDenormal = -d;
    }

private:
    double update(double x)
    {
        const double y = b0 * (x + x2) + b1 * x1 + c1 * y1 + c2 * y2;
        shift(x, y);
        return y;
    }

protected:
    void shift(double x, double y)
    {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
};

// Second-order low shelf: DC gain V = 10^(gainDb/20), unity at high
// frequencies. In this class c1 and c2 hold the denominator coefficients a1
// and a2 with their own sign.
class BoostLP final : public LowPass {
public:
    // Flat until the owner sets a boost.
    BoostLP() { set(28.0, 0.0); }

    // V = 10^(gainDb/20), K = tan(pi fc / sampleRate), D = 1 + sqrt2 K + K^2;
    // b0 = (1 + sqrt(2V) K + V K^2) / D; b1 = 2 (V K^2 - 1) / D;
    // b2 = (1 - sqrt(2V) K + V K^2) / D; a1 = 2 (K^2 - 1) / D;
    // a2 = (1 - sqrt2 K + K^2) / D. Keeps the state.
    void set(double fc, double gainDb);

    // Audio thread. y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
    double process(double x) final
    {
        offsetState(x);
        const double y = b0 * x + b1 * x1 + b2 * x2 - c1 * y1 - c2 * y2;
        shift(x, y);
        return y;
    }

    // The shelf has its own formula.
    double processNext(double x) = delete;

    double gainDb = 0.0;
    double b2 = 0.0;
};

}  // namespace qor

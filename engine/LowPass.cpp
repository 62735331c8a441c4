#include "engine/LowPass.h"

#include <cmath>
#include <numbers>

namespace qor {

void LowPass::setSampleRate(double sr)
{
    sampleRate = sr;
    w0 = 2.0 * std::numbers::pi / sr;
    clearState();
}

void LowPass::design(double fc)
{
    const double w = w0 * fc;
    const double cosW = std::cos(w);
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double n = 1.0 / (1.0 + alpha);
    b0 = (1.0 - cosW) / 2.0 * n;
    b1 = (1.0 - cosW) * n;
    c1 = 2.0 * cosW * n;
    c2 = (alpha - 1.0) * n;
    clearState();
}

void LowPass::clearState()
{
    x1 = x2 = y1 = y2 = 0.0;
    antiDenormal = 1e-13;
}

void BoostLP::set(double fc, double gain)
{
    gainDb = gain;
    const double v = std::pow(10.0, gain / 20.0);
    const double k = std::tan(std::numbers::pi * fc / sampleRate);
    const double kk = k * k;
    const double sqrt2V = std::sqrt(2.0 * v);
    const double d = 1.0 + std::numbers::sqrt2 * k + kk;
    b0 = (1.0 + sqrt2V * k + v * kk) / d;
    b1 = 2.0 * (v * kk - 1.0) / d;
    b2 = (1.0 - sqrt2V * k + v * kk) / d;
    c1 = 2.0 * (kk - 1.0) / d;
    c2 = (1.0 - std::numbers::sqrt2 * k + kk) / d;
}

}  // namespace qor

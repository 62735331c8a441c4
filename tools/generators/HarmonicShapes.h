// Building blocks for describing a single-cycle wave as a harmonic spectrum:
// amplitude shapes (combs, resonances, roll-offs), phase rules, and spectra
// taken from a cycle drawn as a function (FM, ring modulation).
//
// Harmonics are numbered 1..128; amplitude a and phase p at harmonic n stand
// for a * sin(n x + p).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "programs/HarmonicMap.h"

namespace qor::waves {

constexpr int kTopHarmonic = 128;
constexpr double kPi = std::numbers::pi;

struct Spectrum {
    std::array<double, kTopHarmonic + 1> amplitude{};  // index = harmonic, 0 unused
    std::array<double, kTopHarmonic + 1> phase{};
};

// ---- amplitude shapes -----------------------------------------------------

// Plucking, striking or bowing a string at fraction beta of its length
// suppresses the harmonics with a node there: |sin(pi n beta)|. depth < 1
// leaves part of each notch filled, as a wide hammer or bow does.
inline double positionComb(int n, double beta, double depth = 1.0)
{
    return 1.0 - depth + depth * std::abs(std::sin(kPi * n * beta));
}

// Second-order resonance around harmonic `centre` (a formant or body mode),
// 1 at the centre.
inline double resonance(int n, double centre, double q)
{
    const double detune = n / centre - centre / n;
    return 1.0 / std::sqrt(1.0 + q * q * detune * detune);
}

// Gentle roll-off above harmonic `corner`, `order` times 6 dB per octave.
inline double rollOff(int n, double corner, double order)
{
    return std::pow(1.0 + std::pow(n / corner, 2.0), -0.5 * order);
}

// Gaussian bump in harmonic number.
inline double bump(int n, double centre, double width)
{
    const double d = (n - centre) / width;
    return std::exp(-0.5 * d * d);
}

// A tonewheel drawbar at setting 0..8: each step below full is 3 dB quieter.
inline double drawbar(int setting)
{
    return setting <= 0 ? 0.0 : std::pow(10.0, -3.0 * (8 - setting) / 20.0);
}

// ---- building spectra -----------------------------------------------------

inline Spectrum fromAmplitudes(const std::function<double(int)>& amplitude)
{
    Spectrum s;
    for (int n = 1; n <= kTopHarmonic; ++n) s.amplitude[n] = amplitude(n);
    return s;
}

// A partial at a non-integer ratio cannot sit in a single cycle; it is shared
// between the two harmonics around it, more to the nearer one. The result is
// the dense, uneven cluster that makes a cycle sound struck rather than blown.
inline void addPartial(Spectrum& s, double ratio, double amplitude)
{
    const int below = static_cast<int>(std::floor(ratio));
    const double t = ratio - below;
    if (below >= 1 && below <= kTopHarmonic) s.amplitude[below] += amplitude * std::sqrt(1.0 - t);
    if (t > 0.0 && below + 1 <= kTopHarmonic) s.amplitude[below + 1] += amplitude * std::sqrt(t);
}

// A rank of pipes or a drawbar at harmonic `foot`, carrying its own spectrum
// on foot, 2 foot, 3 foot ...
inline void addRank(Spectrum& s, int foot, double level, const std::function<double(int)>& pipe)
{
    for (int m = 1; foot * m <= kTopHarmonic; ++m) s.amplitude[foot * m] += level * pipe(m);
}

// ---- phase rules ----------------------------------------------------------

// All harmonics starting together on a rising zero crossing (sine phase).
inline Spectrum& sinePhases(Spectrum& s)
{
    s.phase.fill(0.0);
    return s;
}

// All harmonics peaking together at the cycle start: a narrow, buzzy pulse.
inline Spectrum& cosinePhases(Spectrum& s)
{
    s.phase.fill(kPi / 2);
    return s;
}

// Alternating signs as in a rising sawtooth's series: the ramp shape of bowed
// and hammered strings.
inline Spectrum& rampPhases(Spectrum& s)
{
    for (int n = 1; n <= kTopHarmonic; ++n) s.phase[n] = n % 2 == 1 ? 0.0 : kPi;
    return s;
}

// Schroeder's rule for a low crest factor: phase_n = -2 pi sum_{l<n} (n - l) p_l
// with p_l the share of power in harmonic l. Spreads the energy over the cycle,
// so dense spectra come out loud instead of as one spike.
inline Spectrum& lowCrestPhases(Spectrum& s)
{
    double total = 0.0;
    for (int n = 1; n <= kTopHarmonic; ++n) total += s.amplitude[n] * s.amplitude[n];
    for (int n = 1; n <= kTopHarmonic; ++n) {
        double acc = 0.0;
        for (int l = 1; l < n; ++l) acc += (n - l) * s.amplitude[l] * s.amplitude[l] / total;
        s.phase[n] = -2.0 * kPi * acc;
    }
    return s;
}

// Spectrum of one cycle drawn as a function of the phase x in [0, 2 pi):
// for waves that are easier to say as a formula (FM, ring modulation) than
// as a list. The cycle is sampled finely enough that nothing folds back
// below harmonic 128 for the smooth functions used here.
inline Spectrum fromCycle(const std::function<double(double)>& cycle)
{
    constexpr int kPoints = 4096;
    std::array<double, kPoints> x{};
    for (int i = 0; i < kPoints; ++i) x[i] = cycle(2.0 * kPi * i / kPoints);
    Spectrum s;
    for (int n = 1; n <= kTopHarmonic; ++n) {
        double c = 0.0;
        double si = 0.0;
        for (int i = 0; i < kPoints; ++i) {
            const double t = 2.0 * kPi * n * i / kPoints;
            c += x[i] * std::cos(t);
            si += x[i] * std::sin(t);
        }
        c *= 2.0 / kPoints;
        si *= 2.0 / kPoints;
        s.amplitude[n] = std::hypot(c, si);
        s.phase[n] = std::atan2(c, si);
    }
    return s;
}

// a sin(n x + p) = a cos p sin(n x) + a sin p cos(n x). Harmonics below one
// millionth of the loudest are left out: they could never reach a sample bit.
inline HarmonicMap toHarmonicMap(const Spectrum& s)
{
    double loudest = 0.0;
    for (const double a : s.amplitude) loudest = std::max(loudest, std::abs(a));
    HarmonicMap map;
    for (int n = 1; n <= kTopHarmonic; ++n) {
        const double a = s.amplitude[n];
        if (std::abs(a) <= loudest * 1e-6) continue;
        map[static_cast<uint8_t>(n)] = {a * std::sin(s.phase[n]), a * std::cos(s.phase[n])};
    }
    return map;
}

}  // namespace qor::waves

// Measurements of the committed wave memory: spectra by DFT of each level,
// peaks, slope bytes, and the designed character of a few waves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/WaveMemory.h"

namespace qor {
namespace {

constexpr int kOboe = 5;
constexpr int kOrgan = 7;
constexpr int kBrass = 8;
constexpr int kPluckedString = 11;
constexpr int kVoxHumana = 15;
constexpr int kJazzOrgan = 22;

// A rounding error of at most half a step per sample bounds the error of any
// DFT amplitude by (2 / n) * n * 0.5 = 1 step; over the whole memory the
// measured errors stay below 0.3 steps.
constexpr double kQuantisationNoise = 0.4;

std::vector<double> levelValues(int wave, int level)
{
    const WaveLevel& l = waveLevels[level];
    std::vector<double> v(static_cast<size_t>(l.samples));
    for (int k = 0; k < l.samples; ++k) v[k] = waveRom[wave * kWaveSlotBytes + l.first + k * l.stride] - 128.0;
    return v;
}

// Amplitude of harmonic h in one cycle of samples (in sample steps).
double amplitude(const std::vector<double>& x, int h)
{
    const double n = static_cast<double>(x.size());
    double c = 0.0;
    double s = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = 2.0 * std::numbers::pi * h * static_cast<double>(i) / n;
        c += x[i] * std::cos(t);
        s += x[i] * std::sin(t);
    }
    const double scale = 2 * h == static_cast<int>(x.size()) ? 1.0 / n : 2.0 / n;
    return std::hypot(c, s) * scale;
}

std::vector<double> spectrum(int wave, int level)
{
    const auto x = levelValues(wave, level);
    std::vector<double> a(x.size() / 2 + 1);
    for (size_t h = 1; h < a.size(); ++h) a[h] = amplitude(x, static_cast<int>(h));
    return a;
}

double oddEnergyShare(const std::vector<double>& a)
{
    double odd = 0.0;
    double all = 0.0;
    for (size_t h = 1; h < a.size(); ++h) {
        all += a[h] * a[h];
        if (h % 2 == 1) odd += a[h] * a[h];
    }
    return odd / all;
}

TEST(WaveRom, SineHoldsOnlyTheFundamentalInEveryLevel)
{
    for (int j = 0; j < 6; ++j) {
        const auto a = spectrum(kWaveSine, j);
        EXPECT_NEAR(a[1], 115.0, 0.5) << "level " << j;
        for (size_t h = 2; h < a.size(); ++h) EXPECT_LT(a[h], kQuantisationNoise) << "level " << j << " h " << h;
    }
}

TEST(WaveRom, SquareAndSawtoothFallAsOneOverN)
{
    for (const int wave : {kWaveSquare, kWaveSawtooth}) {
        const auto level0 = spectrum(wave, 0);
        const double fundamental = level0[1];
        EXPECT_GT(fundamental, 60.0) << wave;
        for (int j = 0; j < 6; ++j) {
            const auto a = spectrum(wave, j);
            for (int h = 1; h <= waveLevels[j].highestHarmonic; ++h) {
                const bool present = wave == kWaveSawtooth || h % 2 == 1;
                const double expected = present ? fundamental / h : 0.0;
                // Each level carries its harmonics at the same level as level 0.
                ASSERT_NEAR(a[h], expected, kQuantisationNoise) << "wave " << wave << " level " << j << " h " << h;
            }
        }
        // The slope of log amplitude over log harmonic number, over all
        // harmonics the square or sawtooth holds in level 0.
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        int count = 0;
        for (int h = 1; h <= 128; h += wave == kWaveSquare ? 2 : 1) {
            const double x = std::log(h), y = std::log(level0[h]);
            sx += x, sy += y, sxx += x * x, sxy += x * y, ++count;
        }
        EXPECT_NEAR((count * sxy - sx * sy) / (count * sxx - sx * sx), -1.0, 0.01) << wave;
    }
    // Sawtooth harmonics alternate in sign: the ramp rises through zero at the
    // cycle start, odd about it, and falls back at half cycle. Away from the
    // jump it follows the line A1 * pi * k / 512 up to its ripple.
    const auto saw = levelValues(kWaveSawtooth, 0);
    const double a1 = spectrum(kWaveSawtooth, 0)[1];
    EXPECT_EQ(saw[0], 0.0);
    for (size_t k = 1; k <= 200; ++k) {
        ASSERT_NEAR(saw[k], a1 * std::numbers::pi * static_cast<double>(k) / 512.0, 1.5) << k;
        ASSERT_EQ(saw[512 - k], -saw[k]) << k;
    }
}

TEST(WaveRom, NoLevelHoldsHarmonicsAboveItsLimit)
{
    for (int w = 1; w < kWaveSlots; ++w)
        for (int j = 0; j < 6; ++j) {
            const auto a = spectrum(w, j);
            for (size_t h = static_cast<size_t>(waveLevels[j].highestHarmonic) + 1; h < a.size(); ++h)
                ASSERT_LT(a[h], kQuantisationNoise) << "wave " << w << " level " << j << " h " << h;
        }
}

TEST(WaveRom, EveryWaveSoundsAndPeaksAt115)
{
    for (int w = 1; w < kWaveSlots; ++w) {
        int peak = 0;
        double energy = 0.0;
        for (int a = 0; a < kWaveSlotBytes; ++a) {
            const int v = waveRom[w * kWaveSlotBytes + a] - 128;
            peak = std::max(peak, std::abs(v));
            energy += v * v;
        }
        EXPECT_EQ(peak, 115) << "wave " << w;
        // Even the spikiest design keeps a usable loudness: RMS above 25 steps.
        EXPECT_GT(std::sqrt(energy / kWaveSlotBytes), 25.0) << "wave " << w;
    }
    for (int a = 0; a < kWaveSlotBytes; ++a) {
        ASSERT_EQ(waveRom[a], 128) << a;
        ASSERT_EQ(slopeRom[a], 0) << a;
    }
}

TEST(WaveRom, SlopeBytesLeadToTheNextSampleOfTheirLevel)
{
    for (int w = 1; w < kWaveSlots; ++w)
        for (const WaveLevel& l : waveLevels)
            for (int k = 0; k < l.samples; ++k) {
                const int at = w * kWaveSlotBytes + l.first + k * l.stride;
                const int next = w * kWaveSlotBytes + l.first + ((k + 1) % l.samples) * l.stride;
                const int step = waveRom[next] - waveRom[at];
                ASSERT_LE(std::abs(static_cast<int8_t>(slopeRom[at]) - step), 1) << "wave " << w << " byte " << at;
            }
}

TEST(WaveRom, InstrumentWavesHaveTheirDesignedCharacter)
{
    // Reed stop: the even harmonics are kept 20 dB under the odd ones.
    EXPECT_GT(oddEnergyShare(spectrum(kVoxHumana, 0)), 0.97);

    // Oboe: the formant around harmonics 3-6 outweighs the fundamental.
    const auto oboe = spectrum(kOboe, 0);
    const auto oboePeak = std::max_element(oboe.begin() + 1, oboe.end()) - oboe.begin();
    EXPECT_GE(oboePeak, 3);
    EXPECT_LE(oboePeak, 6);
    EXPECT_LT(oboe[1], 0.7 * oboe[oboePeak]);

    // Brass: the fundamental under harmonics 2-4, the top falling off.
    const auto brass = spectrum(kBrass, 0);
    const auto brassPeak = std::max_element(brass.begin() + 1, brass.end()) - brass.begin();
    EXPECT_GE(brassPeak, 2);
    EXPECT_LE(brassPeak, 4);
    EXPECT_LT(brass[1], 0.7 * brass[brassPeak]);
    EXPECT_LT(brass[24], 0.1 * brass[brassPeak]);

    // Plucked at a fifth of the string: every fifth harmonic is missing.
    const auto pluck = spectrum(kPluckedString, 0);
    for (int h = 5; h <= 125; h += 5) EXPECT_LT(pluck[h], kQuantisationNoise) << h;
    for (const int h : {1, 2, 3, 4, 6, 7}) EXPECT_GT(pluck[h], 5.0) << h;

    // Tonewheel organs hold nothing but their drawbars' harmonics.
    for (const auto& [wave, drawbars] :
         {std::pair{kOrgan, std::vector<int>{1, 2, 3, 4, 5, 6, 8}}, std::pair{kJazzOrgan, std::vector<int>{1, 2, 3}}}) {
        const auto a = spectrum(wave, 0);
        for (int h = 1; h <= 128; ++h) {
            const bool drawn = std::find(drawbars.begin(), drawbars.end(), h) != drawbars.end();
            if (drawn) EXPECT_GT(a[h], 5.0) << "wave " << wave << " h " << h;
            else EXPECT_LT(a[h], kQuantisationNoise) << "wave " << wave << " h " << h;
        }
    }
}

}  // namespace
}  // namespace qor

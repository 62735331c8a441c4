#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "engine/WaveMemory.h"
#include "programs/WaveSynthesis.h"

namespace qor {
namespace {

struct Tables {
    std::array<uint8_t, 1024> samples{};
    std::array<uint8_t, 1024> slopes{};

    int sample(int level, int k) const { return samples[position(level, k)]; }
    int slope(int level, int k) const { return static_cast<int8_t>(slopes[position(level, k)]); }
    static size_t position(int level, int k)
    {
        const WaveLevel& l = waveLevels[level];
        return static_cast<size_t>(l.first + (k % l.samples) * l.stride);
    }
};

Tables render(const HarmonicMap& map)
{
    Tables t;
    t.samples.fill(0xAA);  // every byte must be written
    t.slopes.fill(0xAA);
    renderWaveTables(map, t.samples, t.slopes);
    return t;
}

// round(128 + 115 * sin(2 pi h k / n)) for a lone sine harmonic h.
int loneSine(int h, int k, int n)
{
    return static_cast<int>(std::lround(128.0 + 115.0 * std::sin(2.0 * std::numbers::pi * h * k / n)));
}

TEST(WaveSynthesis, LoneSineHarmonicIsTheExactSineInEveryLevel)
{
    const Tables t = render({{1, {0.0, 0.7}}});
    for (int j = 0; j < 6; ++j) {
        const int n = waveLevels[j].samples;
        for (int k = 0; k < n; ++k) ASSERT_EQ(t.sample(j, k), loneSine(1, k, n)) << "level " << j << " sample " << k;
    }
    // Level 0 peaks at 128 +/- 115, a quarter and three quarters into the cycle.
    EXPECT_EQ(t.sample(0, 128), 243);
    EXPECT_EQ(t.sample(0, 384), 13);
    EXPECT_EQ(t.sample(0, 0), 128);
}

TEST(WaveSynthesis, CosineAmplitudeStartsTheCycleAtThePeak)
{
    const Tables t = render({{1, {-2.0, 0.0}}});
    EXPECT_EQ(t.sample(0, 0), 13);
    EXPECT_EQ(t.sample(0, 256), 243);
    EXPECT_EQ(t.sample(5, 16), 243);
}

TEST(WaveSynthesis, EachLevelKeepsOnlyTheHarmonicsItCanHold)
{
    // Harmonic 20 fits levels 0..2 (128, 64, 32); levels 3..5 stop at 16, 8, 4.
    const Tables t = render({{20, {0.0, 1.0}}});
    for (int j = 0; j < 3; ++j) {
        const int n = waveLevels[j].samples;
        for (int k = 0; k < n; ++k) ASSERT_EQ(t.sample(j, k), loneSine(20, k, n)) << "level " << j;
    }
    for (int j = 3; j < 6; ++j)
        for (int k = 0; k < waveLevels[j].samples; ++k) {
            ASSERT_EQ(t.sample(j, k), 128) << "level " << j;
            ASSERT_EQ(t.slope(j, k), 0) << "level " << j;
        }

    // The boundaries themselves: harmonic 4 is in every level, 5 leaves level 5
    // but not level 4, 128 is only in level 0.
    EXPECT_EQ(render({{4, {0.0, 1.0}}}).sample(5, 2), 243);
    const Tables five = render({{5, {1.0, 0.0}}});
    EXPECT_EQ(five.sample(4, 0), 243);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(five.sample(5, k), 128) << k;
    const Tables top = render({{128, {1.0, 0.0}}});
    EXPECT_EQ(top.sample(0, 0), 243);
    EXPECT_EQ(top.sample(0, 1), 128);
    EXPECT_EQ(top.sample(0, 2), 13);
    EXPECT_EQ(top.sample(1, 0), 128);
}

TEST(WaveSynthesis, LoudestValueOfAllLevelsSetsTheScale)
{
    // cos 4x + 0.5 cos 12x peaks at 1.5 where both harmonics are held (levels
    // 0..3); levels 4 and 5 keep only cos 4x and so reach 115 / 1.5.
    const Tables t = render({{4, {1.0, 0.0}}, {12, {0.5, 0.0}}});
    std::array<int, 6> peaks{};
    for (int j = 0; j < 6; ++j)
        for (int k = 0; k < waveLevels[j].samples; ++k) peaks[j] = std::max(peaks[j], std::abs(t.sample(j, k) - 128));
    EXPECT_EQ(peaks[0], 115);
    EXPECT_EQ(peaks[3], 115);
    EXPECT_EQ(peaks[4], 77);
    EXPECT_EQ(peaks[5], 77);
    EXPECT_EQ(t.sample(5, 0), 128 + 77);
}

TEST(WaveSynthesis, SlopesAreTheStepToTheNextSampleOfTheSameLevel)
{
    const Tables t = render({{1, {0.3, 1.0}}, {2, {0.0, -0.5}}, {3, {0.25, 0.0}}, {7, {0.1, 0.2}}, {40, {0.05, 0.0}}});
    for (int j = 0; j < 6; ++j) {
        const int n = waveLevels[j].samples;
        for (int k = 0; k < n; ++k) {
            // The slope is the rounded difference of the unrounded values, so it
            // may differ from the difference of the rounded bytes by one.
            const int step = t.sample(j, k + 1) - t.sample(j, k);
            ASSERT_LE(std::abs(t.slope(j, k) - step), 1) << "level " << j << " sample " << k;
        }
    }
    // The last sample of a level leads back to the level's first: for level 5
    // that is byte 1023 referring to byte 31.
    const Tables sine = render({{1, {0.0, 1.0}}});
    EXPECT_EQ(Tables::position(5, 31), 1023u);
    EXPECT_EQ(sine.slope(5, 31), 128 - loneSine(1, 31, 32));
    EXPECT_EQ(sine.slope(0, 511), 128 - loneSine(1, 511, 512));
}

TEST(WaveSynthesis, StepsTooSteepForAByteSaturateInsteadOfWrapping)
{
    // A lone harmonic 100 moves about 1.23 rad per level-0 sample: steps of up
    // to 2 * 115 * sin(0.61) = 132 do not fit a signed byte.
    const Tables t = render({{100, {0.0, 1.0}}});
    int steepest = 0;
    for (int k = 0; k < 512; ++k) {
        const int step = t.sample(0, k + 1) - t.sample(0, k);
        steepest = std::max(steepest, std::abs(step));
        const int slope = t.slope(0, k);
        if (step > 127) ASSERT_EQ(slope, 127) << k;
        else if (step < -128) ASSERT_EQ(slope, -128) << k;
        else ASSERT_LE(std::abs(slope - step), 1) << k;
    }
    EXPECT_GT(steepest, 127);
}

TEST(WaveSynthesis, SilentOrUnusableMapsGiveTheSilentTable)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const HarmonicMap& map : {HarmonicMap{}, HarmonicMap{{1, {0.0, 0.0}}, {7, {0.0, 0.0}}},
                                   HarmonicMap{{3, {nan, 1.0}}}, HarmonicMap{{3, {0.0, inf}}},
                                   HarmonicMap{{200, {0.0, 1.0}}}}) {
        const Tables t = render(map);
        for (size_t i = 0; i < 1024; ++i) {
            ASSERT_EQ(t.samples[i], 128) << i;
            ASSERT_EQ(t.slopes[i], 0) << i;
        }
    }
    // An unusable harmonic beside good ones is left out, the rest still sounds.
    const Tables mixed = render({{1, {0.0, 1.0}}, {2, {nan, nan}}});
    EXPECT_EQ(mixed.samples, render({{1, {0.0, 1.0}}}).samples);
}

}  // namespace
}  // namespace qor

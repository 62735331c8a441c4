#include <gtest/gtest.h>

#include <cmath>

#include "engine/PitchTables.h"

namespace qor {
namespace {

TEST(PitchTables, NoteFrequenciesAreRoundedAsTheHardwareTable)
{
    const auto& f = noteFreqTable();
    EXPECT_DOUBLE_EQ(f[0], 8.176);
    EXPECT_DOUBLE_EQ(f[69], 440.0);
    EXPECT_DOUBLE_EQ(f[135], 19912.127);
    // Notes 124..127 keep two decimals only.
    EXPECT_DOUBLE_EQ(f[124], 10548.08);
    EXPECT_DOUBLE_EQ(f[125], 11175.3);
    EXPECT_DOUBLE_EQ(f[126], 11839.82);
    EXPECT_DOUBLE_EQ(f[127], 12543.85);
    EXPECT_DOUBLE_EQ(f[128], std::round(440.0 * std::pow(2.0, 59 / 12.0) * 1000.0) / 1000.0);
    EXPECT_DOUBLE_EQ(lowFreqTable()[0], 8.176);
    EXPECT_DOUBLE_EQ(lowFreqTable()[12], 4.088);
}

TEST(PitchTables, PitchToFrequencyInterpolatesBetweenSemitones)
{
    EXPECT_DOUBLE_EQ(pitchToFreq(0), 8.176);
    EXPECT_DOUBLE_EQ(pitchToFreq(69 * 128), 440.0);
    const double mid = pitchToFreq(69 * 128 + 64);
    EXPECT_DOUBLE_EQ(mid, 440.0 + (noteFreqTable()[70] - 440.0) * 64 / 128);
    EXPECT_DOUBLE_EQ(pitchToFreq(17279), noteFreqTable()[134] + (noteFreqTable()[135] - noteFreqTable()[134]) * 127 / 128);
    EXPECT_DOUBLE_EQ(pitchToFreq(17280), 19912.127);
    EXPECT_DOUBLE_EQ(pitchToFreq(1 << 30), 19912.127);
    // Below note 0 the same interpolation runs down the low table.
    EXPECT_DOUBLE_EQ(pitchToFreq(-1536), 4.088);
    EXPECT_DOUBLE_EQ(pitchToFreq(-17280), 0.0033570162);
    EXPECT_LT(pitchToFreq(-64), 8.176);
    EXPECT_GT(pitchToFreq(-64), lowFreqTable()[1]);
}

TEST(PitchTables, IncrementTableMatchesTheHardwareClock)
{
    EXPECT_EQ(incrementTable()[0], 3292);
    EXPECT_EQ(incrementTable()[8832], 177167);  // note 69
    EXPECT_EQ(phaseIncrement(-5), 3292);
    EXPECT_EQ(phaseIncrement(99999), incrementTable()[17280]);
    for (int i = 1; i <= kMaxPitch; ++i) ASSERT_GE(incrementTable()[i], incrementTable()[i - 1]) << i;
    // An increment turns into the frequency it encodes at the 41666.67 Hz clock.
    EXPECT_NEAR(incrementTable()[8832] * kHardwareClock / (1 << 24), 440.0, 0.002);
}

TEST(PitchTables, FrequencyToPitchInvertsPitchToFrequencyWithTruncation)
{
    // Exact frequencies of every pitch come back as that pitch, and any
    // frequency between two pitches truncates towards pitch 0.
    for (int p = -kMaxPitch; p <= kMaxPitch; ++p) {
        ASSERT_EQ(freqToPitch(pitchToFreq(p)), p) << p;
        if (p == kMaxPitch || p == -kMaxPitch) continue;
        const double between = (pitchToFreq(p) + pitchToFreq(p + 1)) / 2;
        ASSERT_EQ(freqToPitch(between), p >= 0 ? p : p + 1) << p;
    }
    // Beyond the ends the pitch stays at the ends.
    EXPECT_EQ(freqToPitch(25000.0), kMaxPitch);
    EXPECT_EQ(freqToPitch(1e-9), -kMaxPitch);
}

}  // namespace
}  // namespace qor

#include <cmath>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Chorus.h"
#include "engine/ChorusCurve.h"
#include "engine/DelayLine.h"

namespace qor {
namespace {

constexpr double kRate = 44100;

// Index of the largest magnitude.
size_t peakIndex(const std::vector<double>& s)
{
    size_t best = 0;
    for (size_t i = 1; i < s.size(); ++i)
        if (std::abs(s[i]) > std::abs(s[best])) best = i;
    return best;
}

// Lag (0..maxLag) at which b best matches a.
int bestLag(const std::vector<double>& a, const std::vector<double>& b, int maxLag)
{
    int best = 0;
    double bestSum = -1e300;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double sum = 0;
        for (size_t i = 0; i + lag < b.size(); ++i) sum += a[i] * b[i + lag];
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

Chorus makeChorus(int mode, double speedE = 0.5, double depthE = 1.0)
{
    Chorus chorus;
    chorus.create(kRate);
    chorus.setSpeed(speedE);
    chorus.setDepth(depthE);
    chorus.setMode(mode);
    return chorus;
}

// ---------------------------------------------------------------- DelayLine

TEST(DelayLine, CreateSizesAndClears)
{
    DelayLine line;
    line.create(48000, 0.006);
    EXPECT_EQ(line.length, 288);
    EXPECT_EQ(line.buffer.size(), 288u);
    EXPECT_EQ(line.rate, 0.125);
    EXPECT_EQ(line.invRate, 8.0);
    for (int n = 0; n < 100; ++n) line.process(1.0);
    line.create(48000, 0.004);
    EXPECT_EQ(line.length, 192);
    EXPECT_EQ(line.writeIndex, 0);
    EXPECT_EQ(line.frac, 0.0);
    for (double v : line.buffer) ASSERT_EQ(v, 0.0);
    EXPECT_NEAR(line.process(0.0), 0.0, 1e-12);
}

TEST(DelayLine, DelayIsLengthTimesRate)
{
    for (double rate : {1.0, 0.5, 0.125}) {
        DelayLine line;
        line.create(kRate, 0.0484);
        line.setRate(rate);
        std::vector<double> out(4000);
        for (size_t n = 0; n < out.size(); ++n) out[n] = line.process(n == 0 ? 1.0 : 0.0);
        const double expected = line.length * rate;
        // The interpolators and the two 8 kHz filters add a few samples.
        EXPECT_GE(static_cast<double>(peakIndex(out)), expected) << rate;
        EXPECT_LE(static_cast<double>(peakIndex(out)), expected + 6) << rate;
        // Nothing comes out before the delay.
        for (size_t n = 0; n + 2 < static_cast<size_t>(expected); ++n) ASSERT_LT(std::abs(out[n]), 1e-9) << rate;
    }
}

TEST(DelayLine, PassesALowSineAtUnityGain)
{
    for (double rate : {1.0, 0.125}) {
        DelayLine line;
        line.create(kRate, 0.006);
        line.setRate(rate);
        double peak = 0;
        for (int n = 0; n < 20000; ++n) {
            const double y = line.process(std::sin(2 * 3.141592653589793 * 200 * n / kRate));
            if (n > 10000) peak = std::max(peak, std::abs(y));
        }
        EXPECT_NEAR(peak, 1.0, 0.01) << rate;
    }
}

TEST(DelayLine, NeverCreatedLineIsSilent)
{
    DelayLine line;
    EXPECT_EQ(line.process(1.0), 0.0);
}

// ---------------------------------------------------------------- Chorus control

TEST(ChorusControl, ConstructionAndCreateSizeTheLines)
{
    Chorus chorus;
    EXPECT_EQ(chorus.lineA.length, 1764);
    EXPECT_EQ(chorus.lineB.length, 1764);
    EXPECT_EQ(chorus.lineC.length, 1764);
    chorus.create(48000);
    EXPECT_EQ(chorus.lineA.length, 192);
    EXPECT_EQ(chorus.lineB.length, 288);
    EXPECT_EQ(chorus.lineC.length, static_cast<int>(48000 * 0.0484));
    EXPECT_EQ(chorus.lineC.rate, 0.125);
}

TEST(ChorusControl, SpeedRangeAndModeClamp)
{
    Chorus chorus = makeChorus(4, 0.0, 0.8);
    EXPECT_DOUBLE_EQ(chorus.speed, 0.125);
    EXPECT_DOUBLE_EQ(chorus.chorusDepth, 0.4);  // TREMOLO sweeps half as deep
    chorus.setSpeed(1.0);
    EXPECT_DOUBLE_EQ(chorus.speed, 32.0);
    EXPECT_DOUBLE_EQ(chorus.chorusInc, 32.0 / 48.5);  // a speed change reaches the running mode
    chorus.setMode(7.9);
    EXPECT_EQ(chorus.chorusMode, 7);
    chorus.setMode(200);
    EXPECT_EQ(chorus.chorusMode, 7);
    chorus.setMode(-3);
    EXPECT_EQ(chorus.chorusMode, 0);
    EXPECT_EQ(chorus.chorusInc, 0.0);
}

TEST(ChorusControl, Chorus1CompletesATriangleIn488Ticks)
{
    Chorus chorus = makeChorus(1, 0.5, 1.0);
    double maxA = 0, minA = 1;
    int wrapTick = -1;
    int peakTick = -1;
    for (int tick = 1; tick <= 600 && wrapTick < 0; ++tick) {
        chorus.controlTick();
        EXPECT_EQ(chorus.chorusActive, 1);
        // The lines sweep in opposite directions.
        EXPECT_NEAR(chorus.lineA.rate + chorus.lineB.rate, 0.875 + 2 * 0.125, 1e-12);
        EXPECT_DOUBLE_EQ(chorus.lineA.invRate, 1 / chorus.lineA.rate);
        if (chorus.lineA.rate > maxA) {
            maxA = chorus.lineA.rate;
            peakTick = tick;
        }
        minA = std::min(minA, chorus.lineA.rate);
        if (chorus.chorusPhase == 0.0) wrapTick = tick;
    }
    EXPECT_EQ(wrapTick, 488);
    EXPECT_NEAR(peakTick, 245, 1);
    EXPECT_NEAR(maxA, 1.0, 1e-9);
    EXPECT_EQ(minA, 0.125);
}

TEST(ChorusControl, CyclePerModeAtCentreSpeed)
{
    // Ticks per LFO cycle: CHORUS 2 twice as fast, CHORUS 3 over its 487 steps,
    // TREMOLO ten times as fast (48.5 ticks, so the phase restarts at tick 49).
    for (auto [mode, ticks] : {std::pair{2, 244}, {3, 487}, {4, 49}}) {
        Chorus chorus = makeChorus(mode, 0.5, 1.0);
        int wrapTick = -1;
        for (int tick = 1; tick <= 600 && wrapTick < 0; ++tick) {
            chorus.controlTick();
            if (chorus.chorusPhase == 0.0) wrapTick = tick;
        }
        EXPECT_EQ(wrapTick, ticks) << mode;
    }
}

TEST(ChorusControl, DepthZeroHoldsTheLines)
{
    for (int mode : {1, 2}) {
        Chorus chorus = makeChorus(mode, 0.9, 0.0);
        for (int tick = 0; tick < 300; ++tick) {
            chorus.controlTick();
            ASSERT_EQ(chorus.lineA.rate, 0.125);
            ASSERT_EQ(chorus.lineB.rate, 1.0);
        }
    }
    Chorus tremolo = makeChorus(4, 0.9, 0.0);
    for (int tick = 0; tick < 300; ++tick) {
        tremolo.controlTick();
        ASSERT_EQ(tremolo.lineA.rate, 0.25 * 0.875 + 0.125);
        ASSERT_EQ(tremolo.lineB.rate, 0.75 * 0.875 + 0.125);
    }
}

TEST(ChorusControl, TremoloSweepsAroundItsOffset)
{
    Chorus chorus = makeChorus(4, 0.5, 1.0);
    double lo = 1, hi = 0;
    for (int tick = 0; tick < 200; ++tick) {
        chorus.controlTick();
        lo = std::min(lo, chorus.lineA.rate);
        hi = std::max(hi, chorus.lineA.rate);
    }
    // v sweeps 0.25..0.75.
    EXPECT_NEAR(lo, 0.25 * 0.875 + 0.125, 0.02);
    EXPECT_NEAR(hi, 0.75 * 0.875 + 0.125, 0.02);
}

TEST(ChorusControl, Chorus3FollowsTheSampledCurve)
{
    Chorus chorus = makeChorus(3, 0.5, 0.0);  // the curve ignores depth
    for (int tick = 0; tick < 487 * 2; ++tick) {
        const double phase = chorus.chorusPhase;
        chorus.controlTick();
        const double v = chorus3Curve[static_cast<size_t>(std::lround(phase * 0.5 * 487))];
        ASSERT_DOUBLE_EQ(chorus.lineA.rate, v * 0.875 + 0.125) << tick;
        ASSERT_DOUBLE_EQ(chorus.lineB.rate, (1 - v) * 0.875 + 0.125) << tick;
    }
}

TEST(ChorusControl, AmbienceAndDelayModesUseFixedRates)
{
    Chorus chorus = makeChorus(5);
    chorus.controlTick();
    EXPECT_EQ(chorus.lineA.rate, 1.0);
    EXPECT_EQ(chorus.lineB.rate, 0.125);
    EXPECT_EQ(chorus.lineB.invRate, 8.0);
    EXPECT_EQ(chorus.chorusActive, 1);
    chorus.setMode(6);
    chorus.controlTick();
    EXPECT_EQ(chorus.lineA.rate, 0.125);
    EXPECT_EQ(chorus.lineB.rate, 1.0);
    chorus.setMode(7);
    chorus.controlTick();
    EXPECT_EQ(chorus.chorusActive, 0);
    EXPECT_EQ(chorus.delayActive, 1);
    EXPECT_EQ(chorus.lineC.rate, 0.125);
    chorus.setMode(0);
    chorus.controlTick();
    EXPECT_EQ(chorus.chorusActive, 0);
    EXPECT_EQ(chorus.delayActive, 0);
}

TEST(ChorusControl, GainFactorDoublesOnlyWhenOff)
{
    Chorus chorus;
    for (int m = 0; m < 8; ++m) {
        chorus.setMode(m);
        EXPECT_EQ(chorus.gainFactor(), m == 0 ? 2.0 : 1.0) << m;
    }
}

// ---------------------------------------------------------------- Chorus audio

TEST(ChorusAudio, OffPassesDryOnBothChannels)
{
    Chorus chorus = makeChorus(0);
    chorus.controlTick();
    for (bool stereo : {true, false}) {
        double l = 0, r = 0;
        chorus.process(0.37, stereo, l, r);
        EXPECT_EQ(l, 0.37);
        EXPECT_EQ(r, 0.37);
    }
}

TEST(ChorusAudio, DelayPutsOneCopyOnTheRightOnly)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Chorus chorus = makeChorus(7);
        chorus.create(rate);
        chorus.controlTick();
        const size_t n = 2000;
        std::vector<double> in(n), left(n), right(n);
        for (size_t i = 0; i < n; ++i) in[i] = i == 10 ? 1.0 : 0.0;
        for (size_t i = 0; i < n; ++i) chorus.process(in[i], true, left[i], right[i]);
        EXPECT_EQ(left, in);

        const double expected = static_cast<int>(rate * 0.0484) * 0.125;  // about 6 ms
        const int lag = bestLag(in, right, 800);
        EXPECT_GE(lag, expected) << rate;
        EXPECT_LE(lag, expected + 6) << rate;
        // A single copy: nothing before it, and no second echo later.
        for (size_t i = 0; i < 10 + static_cast<size_t>(expected) - 2; ++i) ASSERT_LT(std::abs(right[i]), 1e-9);
        for (size_t i = 10 + lag + 40; i < n; ++i) ASSERT_LT(std::abs(right[i]), 1e-3) << i;
    }
}

TEST(ChorusAudio, MonoFoldsBothChannels)
{
    for (int mode : {1, 4, 5, 7}) {
        Chorus stereo = makeChorus(mode);
        Chorus mono = makeChorus(mode);
        for (int i = 0; i < 3000; ++i) {
            if (i % 132 == 0) {
                stereo.controlTick();
                mono.controlTick();
            }
            const double x = std::sin(i * 0.05) * 0.5;
            double sl, sr, ml, mr;
            stereo.process(x, true, sl, sr);
            mono.process(x, false, ml, mr);
            ASSERT_EQ(ml, mr) << mode;
            ASSERT_DOUBLE_EQ(ml, (sl + sr) * 0.5) << mode;
        }
    }
}

TEST(ChorusAudio, ChorusAddsEachLineToTheDry)
{
    Chorus chorus = makeChorus(6, 0.5, 1.0);
    chorus.controlTick();
    std::vector<double> left(3000), right(3000);
    for (size_t i = 0; i < left.size(); ++i) chorus.process(i == 0 ? 1.0 : 0.0, true, left[i], right[i]);
    // Dry impulse first, then each line's echo: B (rate 1) after its full
    // 6 ms, A (rate 0.125) after an eighth of its 4 ms.
    EXPECT_NEAR(left[0], 1.0, 1e-12);
    EXPECT_NEAR(right[0], 1.0, 1e-12);
    left[0] = right[0] = 0;
    EXPECT_NEAR(static_cast<double>(peakIndex(left)), 176 * 0.125 + 3, 4);
    EXPECT_NEAR(static_cast<double>(peakIndex(right)), 264 + 3, 4);
}

TEST(ChorusAudio, UnusedLinesKeepTheirState)
{
    Chorus chorus = makeChorus(7);
    chorus.controlTick();
    double l, r;
    for (int i = 0; i < 500; ++i) chorus.process(std::sin(i * 0.1), true, l, r);
    // DELAY leaves A and B untouched.
    EXPECT_EQ(chorus.lineA.writeIndex, 0);
    EXPECT_EQ(chorus.lineB.writeIndex, 0);
    const DelayLine saved = chorus.lineC;

    chorus.setMode(1);
    for (int i = 0; i < 500; ++i) {
        if (i % 132 == 0) chorus.controlTick();
        chorus.process(std::sin(i * 0.1), true, l, r);
    }
    EXPECT_NE(chorus.lineA.writeIndex, 0);
    EXPECT_EQ(chorus.lineC.writeIndex, saved.writeIndex);
    EXPECT_EQ(chorus.lineC.frac, saved.frac);
    EXPECT_EQ(chorus.lineC.buffer, saved.buffer);
    EXPECT_EQ(chorus.lineC.in3, saved.in3);
    EXPECT_EQ(chorus.lineC.outFilter.y1, saved.outFilter.y1);

    // Back in DELAY the line continues where it stopped.
    chorus.setMode(7);
    chorus.controlTick();
    DelayLine reference = saved;
    for (int i = 0; i < 100; ++i) {
        const double x = std::cos(i * 0.2);
        chorus.process(x, true, l, r);
        ASSERT_EQ(r, reference.process(x));
    }
}

TEST(ChorusAudio, OutputStaysBoundedInEveryMode)
{
    for (int mode = 0; mode < 8; ++mode) {
        Chorus chorus = makeChorus(mode, 1.0, 1.0);
        double peak = 0;
        for (int i = 0; i < 20000; ++i) {
            if (i % 132 == 0) chorus.controlTick();
            double l, r;
            chorus.process(std::sin(i * 0.03), true, l, r);
            ASSERT_TRUE(std::isfinite(l) && std::isfinite(r)) << mode;
            peak = std::max({peak, std::abs(l), std::abs(r)});
        }
        EXPECT_LT(peak, 2.5) << mode;
    }
}

}  // namespace
}  // namespace qor

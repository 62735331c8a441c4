#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include "engine/FilterTables.h"
#include "engine/LowCut.h"
#include "engine/LowPass.h"
#include "engine/PitchTables.h"
#include "engine/ResonantFilter.h"

namespace qor {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Peak output amplitude for a unit sine at `freq`, after the filter settled.
double sineGain(const std::function<double(double)>& filter, double freq, double rate)
{
    const int settle = static_cast<int>(rate);  // one second
    const int measure = static_cast<int>(rate / 2);
    double peak = 0;
    for (int n = 0; n < settle + measure; ++n) {
        const double y = filter(std::sin(2 * kPi * freq * n / rate));
        if (n >= settle) peak = std::max(peak, std::abs(y));
    }
    return peak;
}

double toDb(double gain) { return 20 * std::log10(gain); }

// Frequency of a signal from its rising zero crossings (interpolated).
double zeroCrossingFrequency(const std::vector<double>& s, double rate)
{
    double first = -1, last = -1;
    int count = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double t = (i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0) first = t;
            last = t;
            ++count;
        }
    }
    return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

// ---------------------------------------------------------------- LowPass

TEST(LowPass, DesignFollowsTheButterworthFormula)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (double fc : {64.0, 1000.0, 8000.0}) {
            LowPass lp;
            lp.setSampleRate(rate);
            lp.design(fc);
            const double w = 2 * kPi / rate * fc;
            const double alpha = std::sin(w) / std::sqrt(2.0);
            const double a0 = 1 + alpha;
            EXPECT_DOUBLE_EQ(lp.w0, 2 * kPi / rate);
            EXPECT_NEAR(lp.b0, (1 - std::cos(w)) / 2 / a0, 1e-15);
            EXPECT_NEAR(lp.b1, (1 - std::cos(w)) / a0, 1e-15);
            EXPECT_NEAR(lp.c1, 2 * std::cos(w) / a0, 1e-15);
            EXPECT_NEAR(lp.c2, -(1 - alpha) / a0, 1e-15);
        }
    }
}

TEST(LowPass, ProcessNextIsProcessToTheBit)
{
    // Inputs with infinities and NaNs, which drive the state through NaN.
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    std::uniform_int_distribution<int> pick(0, 19);
    LowPass full, next;
    for (LowPass* f : {&full, &next}) {
        f->setSampleRate(44100);
        f->design(8000);
    }
    int nonNumbers = 0;
    for (int i = 0; i < 20000; ++i) {
        const int k = pick(rng);
        const double x = k == 0 ? inf : k == 1 ? -inf : k == 2 ? std::nan("") : k == 3 ? 1e300 : value(rng);
        const double a = full.process(x);
        const double b = i % 9 == 0 ? next.process(x) : next.processNext(x);
        nonNumbers += std::isnan(a);
        ASSERT_EQ(std::bit_cast<uint64_t>(a), std::bit_cast<uint64_t>(b)) << i;
        for (auto [u, v] : {std::pair{full.x1, next.x1}, {full.x2, next.x2}, {full.y1, next.y1}, {full.y2, next.y2},
                            {full.antiDenormal, next.antiDenormal}})
            ASSERT_EQ(std::bit_cast<uint64_t>(u), std::bit_cast<uint64_t>(v)) << i;
    }
    EXPECT_GT(nonNumbers, 0);  // the NaN path was taken
}

TEST(LowPass, UnityAtDcAndMinus3DbAtCutoff)
{
    const double rate = 44100;
    for (double fc : {64.0, 1000.0, 8000.0}) {
        LowPass lp;
        lp.setSampleRate(rate);
        lp.design(fc);
        double y = 0;
        for (int n = 0; n < 44100; ++n) y = lp.process(0.75);
        EXPECT_NEAR(y, 0.75, 1e-9) << fc;

        lp.design(fc);
        EXPECT_NEAR(toDb(sineGain([&](double x) { return lp.process(x); }, fc, rate)), -3.01, 0.05) << fc;
        lp.design(fc);
        // Two poles: 12 dB per octave well above the corner.
        const double farFreq = std::min(fc * 4, 0.45 * rate);
        const double far = sineGain([&](double x) { return lp.process(x); }, farFreq, rate);
        EXPECT_LT(toDb(far), -12.0 * std::log2(farFreq / fc) + 1) << fc;
    }
}

TEST(LowPass, SilenceSettlesAboveTheDenormalRange)
{
    LowPass lp;
    lp.setSampleRate(44100);
    lp.design(64);
    lp.process(1.0);
    for (int n = 0; n < 200000; ++n) lp.process(0.0);
    EXPECT_LT(std::abs(lp.y1), 1e-11);
    EXPECT_TRUE(std::isnormal(lp.y1) || lp.y1 == 0.0);
}

TEST(LowPass, NaNInStateOrInputClearsOnNextSample)
{
    LowPass lp;
    lp.setSampleRate(44100);
    lp.design(8000);
    for (int n = 0; n < 10; ++n) lp.process(0.5);
    lp.y1 = kNaN;
    lp.x2 = kNaN;
    EXPECT_TRUE(std::isfinite(lp.process(0.5)));
    EXPECT_TRUE(std::isfinite(lp.process(kNaN)));
    double y = 0;
    for (int n = 0; n < 2000; ++n) y = lp.process(0.5);
    EXPECT_NEAR(y, 0.5, 1e-9);
}

// ---------------------------------------------------------------- BoostLP

TEST(BoostLP, ZeroGainIsFlat)
{
    BoostLP boost;
    boost.setSampleRate(44100);
    boost.set(28, 0);
    EXPECT_DOUBLE_EQ(boost.gainDb, 0.0);
    for (double f : {10.0, 28.0, 100.0, 1000.0, 10000.0}) {
        boost.clearState();
        EXPECT_NEAR(sineGain([&](double x) { return boost.process(x); }, f, 44100), 1.0, 1e-3) << f;
    }
}

TEST(BoostLP, ShelfGainAtDcUnityAtHighFrequencies)
{
    for (double rate : {44100.0, 96000.0}) {
        for (double gain : {6.0, 18.0, 24.0}) {
            BoostLP boost;
            boost.setSampleRate(rate);
            boost.set(28, gain);
            double y = 0;
            for (int n = 0; n < static_cast<int>(rate) * 2; ++n) y = boost.process(0.01);
            EXPECT_NEAR(toDb(y / 0.01), gain, 0.01) << rate << " " << gain;
            boost.clearState();
            const double high = sineGain([&](double x) { return boost.process(x); }, 5000, rate);
            EXPECT_NEAR(toDb(high), 0.0, 0.05) << rate << " " << gain;
            // At the corner |H|^2 = (V^2 + 1) / 2: 3 dB below a large shelf.
            boost.clearState();
            const double corner = sineGain([&](double x) { return boost.process(x); }, 28, rate);
            const double v = std::pow(10, gain / 20);
            EXPECT_NEAR(corner, std::sqrt((v * v + 1) / 2), 0.002 * v) << rate << " " << gain;
        }
    }
}

TEST(BoostLP, NaNInStateClearsOnNextSample)
{
    BoostLP boost;
    boost.setSampleRate(48000);
    boost.set(28, 18);
    for (int n = 0; n < 10; ++n) boost.process(0.1);
    boost.y2 = kNaN;
    boost.x1 = kNaN;
    EXPECT_TRUE(std::isfinite(boost.process(0.1)));
    EXPECT_FALSE(std::isnan(boost.y2));
    EXPECT_TRUE(std::isfinite(boost.process(kNaN)));
}

TEST(BoostLP, CalledThroughTheBaseUsesTheShelf)
{
    BoostLP boost;
    boost.setSampleRate(44100);
    boost.set(28, 24);
    LowPass& base = boost;
    double y = 0;
    for (int n = 0; n < 88200; ++n) y = base.process(0.01);
    EXPECT_NEAR(toDb(y / 0.01), 24.0, 0.01);
}

// ---------------------------------------------------------------- FilterTables

TEST(FilterTables, EntriesFollowTheirFormulas)
{
    FilterTables t;
    t.build(48000);
    ASSERT_EQ(t.cutoffW.size(), 17281u);
    ASSERT_EQ(t.resoK.size(), 17281u);
    EXPECT_EQ(t.sampleRate, 48000);
    for (int i = 0; i <= kMaxPitch; i += 97) {
        const double f = pitchToFreq(i);
        EXPECT_NEAR(t.cutoffW[i], f * 2 * kPi / 48000, 1e-15) << i;
        const double k = f < 500 ? 4.1 : f > 2000 ? 4.005 : 4.1 - (f - 500) * 0.095 / 1500;
        EXPECT_NEAR(t.resoK[i], k, 1e-12) << i;
        EXPECT_GE(t.resoK[i], 4.005);
        EXPECT_LE(t.resoK[i], 4.1);
    }
    EXPECT_EQ(t.resoK[0], 4.1);
    EXPECT_EQ(t.resoK[kMaxPitch], 4.005);
}

TEST(FilterTables, EachEngineKeepsTablesForItsOwnRate)
{
    FilterTables a, b;
    a.build(44100);
    b.build(96000);
    ResonantFilter fa, fb;
    fa.setTables(&a);
    fb.setTables(&b);
    fa.setResonance(0, true);
    fb.setResonance(0, true);
    fa.process(0, 8832);
    fb.process(0, 8832);
    // Same pitch, different rates: the 96 kHz filter has the smaller w.
    const double wa = a.cutoffW[8832], wb = b.cutoffW[8832];
    EXPECT_NEAR(wa / wb, 96000.0 / 44100.0, 1e-12);
    EXPECT_DOUBLE_EQ(fa.g, wa / (wa + 2));
    EXPECT_DOUBLE_EQ(fb.g, wb / (wb + 2));

    // Rebuilding one engine's tables for a new rate leaves the other alone,
    // and its filter picks the new rate up after its reset.
    b.build(22050);
    EXPECT_NEAR(a.cutoffW[8832], wa, 0);
    fa.process(0, 8832);
    EXPECT_DOUBLE_EQ(fa.g, wa / (wa + 2));
    fb.reset(22050);
    fb.process(0, 8832);
    const double wc = b.cutoffW[8832];
    EXPECT_NEAR(wc / wa, 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(fb.g, wc / (wc + 2));
}

// ---------------------------------------------------------------- ResonantFilter

class ResonantFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tables.build(kRate);
        filter.setTables(&tables);
        filter.reset(kRate);
    }

    static constexpr double kRate = 44100;
    FilterTables tables;
    ResonantFilter filter;
};

TEST_F(ResonantFilterTest, ResonanceScalingAndOutputGain)
{
    filter.setResonance(1.0, true);
    EXPECT_EQ(filter.resonance, 1.0);
    filter.process(0, 8000);
    EXPECT_EQ(filter.outGain, 0.5);
    EXPECT_DOUBLE_EQ(filter.feedback, tables.resoK[8000]);

    filter.setResonance(30.0 / 31.0, false);
    EXPECT_EQ(filter.resonance, 30.0 / 31.0 * 0.99);
    filter.process(0, 8000);
    const double l = 30.0 / 31.0 * 0.99 - 0.5;
    EXPECT_DOUBLE_EQ(filter.outGain, 2 - (2 * l) * (2 * l));

    // Loudest at half resonance, unity with none.
    filter.setResonance(0.5 / 0.99, false);
    filter.process(0, 8000);
    EXPECT_DOUBLE_EQ(filter.outGain, 2.0);
    filter.setResonance(0, false);
    filter.process(0, 8000);
    EXPECT_DOUBLE_EQ(filter.outGain, 1.0);
    filter.setResonance(-0.5, false);
    filter.process(0, 8000);
    EXPECT_DOUBLE_EQ(filter.outGain, 1.0);
}

TEST_F(ResonantFilterTest, CutoffOutsideTheRangeUsesTheEndEntries)
{
    const auto gFor = [&](double pitch) {
        filter.process(0, pitch);
        return filter.g;
    };
    const double w0 = tables.cutoffW[0], wTop = tables.cutoffW[kMaxPitch];
    EXPECT_DOUBLE_EQ(gFor(-254.8), w0 / (w0 + 2));
    EXPECT_DOUBLE_EQ(gFor(-1e30), w0 / (w0 + 2));
    EXPECT_DOUBLE_EQ(gFor(kNaN), w0 / (w0 + 2));
    EXPECT_DOUBLE_EQ(gFor(17280.4), wTop / (wTop + 2));
    EXPECT_DOUBLE_EQ(gFor(25000), wTop / (wTop + 2));
    EXPECT_DOUBLE_EQ(gFor(1e300), wTop / (wTop + 2));
    EXPECT_DOUBLE_EQ(gFor(std::numeric_limits<double>::infinity()), wTop / (wTop + 2));
}

TEST_F(ResonantFilterTest, LowPassResponseFallsAboveCutoff)
{
    const double pitch = 69 * 128;  // 440 Hz
    const auto gainAt = [&](double f) {
        filter.reset(kRate);
        filter.setResonance(0, true);
        return sineGain([&](double x) { return filter.process(x * 0.1, pitch) / 0.1; }, f, kRate);
    };
    const double pass = gainAt(55);
    const double corner = gainAt(440);
    const double octave = gainAt(880);
    const double far = gainAt(3520);
    EXPECT_NEAR(pass, 1.0, 0.05);
    EXPECT_LT(corner, pass);
    EXPECT_NEAR(toDb(corner), -12, 3);  // four stages, each -3 dB at the corner
    EXPECT_LT(octave, corner / 2);
    // Four poles: about 24 dB per octave well above the corner.
    EXPECT_LT(toDb(far), -60);
    EXPECT_LT(far, octave / 100);
}

TEST_F(ResonantFilterTest, ResonancePeaksAtCutoff)
{
    const double pitch = 69 * 128;
    filter.setResonance(25.0 / 31.0, true);
    const double atCutoff =
        sineGain([&](double x) { return filter.process(x * 0.05, pitch) / 0.05; }, 440, kRate);
    filter.reset(kRate);
    const double below = sineGain([&](double x) { return filter.process(x * 0.05, pitch) / 0.05; }, 110, kRate);
    EXPECT_GT(atCutoff, 1.5 * below);
}

TEST_F(ResonantFilterTest, SilentVoiceAtFullResonanceSelfOscillatesAtCutoff)
{
    for (int pitch : {57 * 128, 69 * 128, 81 * 128}) {
        filter.reset(kRate);
        filter.setResonance(0, true);
        filter.setResonance(1.0, true);
        EXPECT_EQ(filter.prime, 1);
        std::vector<double> out(static_cast<size_t>(kRate));
        for (double& y : out) y = filter.process(0.0, pitch);
        EXPECT_EQ(filter.prime, 0);

        // Still ringing at full strength after a second with no input.
        double early = 0, late = 0;
        for (size_t i = 4410; i < 8820; ++i) early = std::max(early, std::abs(out[i]));
        for (size_t i = out.size() - 4410; i < out.size(); ++i) late = std::max(late, std::abs(out[i]));
        EXPECT_GT(late, 0.1) << pitch;
        EXPECT_NEAR(late / early, 1.0, 0.05) << pitch;

        const double expected = pitchToFreq(pitch);
        const std::vector<double> tail(out.begin() + 4410, out.end());
        EXPECT_NEAR(zeroCrossingFrequency(tail, kRate) / expected, 1.0, 0.01) << pitch;
    }
}

TEST_F(ResonantFilterTest, SoundingVoiceIsNotPrimedOrCleared)
{
    filter.setResonance(0.5, true);
    for (int n = 0; n < 100; ++n) filter.process(1.0, 9000);
    const double s1 = filter.s1;
    ASSERT_NE(s1, 0.0);
    filter.setResonance(0.2, false);
    EXPECT_EQ(filter.s1, s1);
    filter.setResonance(1.0, false);
    EXPECT_EQ(filter.prime, 0);
    filter.setResonance(0.2, true);
    EXPECT_EQ(filter.s1, 0.0);
}

TEST_F(ResonantFilterTest, NaNInputOrStateRecovers)
{
    filter.setResonance(0.6, true);
    for (int n = 0; n < 100; ++n) filter.process(0.3, 9000);
    EXPECT_TRUE(std::isfinite(filter.process(kNaN, 9000)));
    filter.s2 = kNaN;
    filter.s4 = kNaN;
    EXPECT_TRUE(std::isfinite(filter.process(0.3, 9000)));
    double y = 0;
    for (int n = 0; n < 4410; ++n) {
        y = filter.process(0.3, 9000);
        ASSERT_TRUE(std::isfinite(y));
    }
    EXPECT_NE(y, 0.0);
}

TEST_F(ResonantFilterTest, OutputStaysBoundedUnderRandomSettings)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> pitch(-500, 18000), level(-4, 4), reso(0, 1);
    for (int block = 0; block < 200; ++block) {
        filter.setResonance(reso(rng) < 0.2 ? 1.0 : reso(rng), block % 7 == 0);
        const double p = pitch(rng);
        for (int n = 0; n < 200; ++n) {
            const double y = filter.process(level(rng), p);
            ASSERT_TRUE(std::isfinite(y));
            ASSERT_LT(std::abs(y), 100.0);
        }
    }
}

TEST_F(ResonantFilterTest, RateChangeKeepsTheResonanceSetting)
{
    filter.setResonance(20.0 / 31.0, false);
    const double r = filter.resonance;
    tables.build(48000);
    filter.reset(48000);
    tables.build(44100);
    filter.reset(44100);
    EXPECT_EQ(filter.resonance, r);
    EXPECT_EQ(filter.lastCutoff, -1.0);

    filter.setResonance(1.0, false);
    filter.reset(48000);
    EXPECT_EQ(filter.resonance, 1.0);
    EXPECT_EQ(filter.prime, 1);
}

TEST(ResonantFilter, WithoutTablesIsSilent)
{
    ResonantFilter filter;
    filter.reset(44100);
    filter.setResonance(1.0, true);
    for (int n = 0; n < 100; ++n) EXPECT_EQ(filter.process(1.0, 8000), 0.0);
}

// ---------------------------------------------------------------- LowCut

TEST(LowCut, ZeroPassesTheSumBitExactly)
{
    LowCut cut;
    cut.reset(44100);
    cut.set(0.5);
    cut.set(0);
    EXPECT_FALSE(cut.enabled);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(-3, 3);
    for (int n = 0; n < 1000; ++n) {
        const double u = d(rng);
        ASSERT_EQ(cut.process(u), u);
    }
    EXPECT_EQ(cut.state, 0.0);
}

TEST(LowCut, AttenuatesDcAndPassesHighFrequencies)
{
    const double rate = 44100;
    for (double e : {1.0 / 31, 10.0 / 31, 1.0}) {
        LowCut cut;
        cut.reset(rate);
        cut.set(e);
        const double w = pitchToFreq(static_cast<int>(e * 12288)) * 2 * kPi / rate;
        double y = 0;
        for (int n = 0; n < 200000; ++n) y = cut.process(1.0);
        // The cut's floor: DC leaks at 2w / (w + 2)^2.
        EXPECT_NEAR(y, 2 * w / ((w + 2) * (w + 2)), 1e-9) << e;
        EXPECT_LT(toDb(y), -18) << e;
        cut.reset(rate);
        EXPECT_NEAR(sineGain([&](double x) { return cut.process(x); }, 15000, rate), 1.0, 0.05) << e;
    }
    // At the lowest setting DC falls by more than 60 dB.
    LowCut low;
    low.reset(rate);
    low.set(1.0 / 31);
    double y = 0;
    for (int n = 0; n < 400000; ++n) y = low.process(1.0);
    EXPECT_LT(toDb(y), -60);
}

TEST(LowCut, RateChangeKeepsTheCornerFrequency)
{
    LowCut cut;
    cut.set(12.0 / 31.0);  // before the first reset, as the host's parameter push does
    cut.reset(96000);
    LowCut fresh;
    fresh.reset(96000);
    fresh.set(12.0 / 31.0);
    EXPECT_EQ(cut.c1, fresh.c1);
    EXPECT_EQ(cut.c2, fresh.c2);
    EXPECT_TRUE(cut.enabled);
}

TEST(LowCut, NaNStateClearsOnNextSample)
{
    LowCut cut;
    cut.reset(44100);
    cut.set(0.3);
    cut.process(0.2);
    cut.state = kNaN;
    EXPECT_TRUE(std::isfinite(cut.process(0.2)));
    EXPECT_TRUE(std::isfinite(cut.state));
}

}  // namespace
}  // namespace qor

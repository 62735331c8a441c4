#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "programs/UserWave.h"
#include "programs/WaveSynthesis.h"

namespace qor {
namespace {

constexpr double kPi = std::numbers::pi;

// The analysis written straight from its formula, angle by angle.
HarmonicMap ReferenceAnalysis(const std::vector<double>& x)
{
    const int count = static_cast<int>(x.size());
    const int m = std::min(count / 2, 128);
    std::vector<double> c(static_cast<size_t>(m) + 1), s(static_cast<size_t>(m) + 1);
    double b = 0.0;
    for (int a = 1; a <= m; ++a) {
        const double w = 0.54 + 0.46 * std::cos((a - 1) * (kPi / 2) / m);
        for (int i = 0; i < count; ++i) {
            c[a] += w * x[i] * std::cos(2 * kPi * a * i / count);
            s[a] += w * x[i] * std::sin(2 * kPi * a * i / count);
        }
        b = std::max({b, std::abs(c[a]), std::abs(s[a])});
    }
    HarmonicMap map;
    for (int a = 1; a <= m; ++a) map[static_cast<uint8_t>(a)] = {c[a] * 31 / b, s[a] * 31 / b};
    return map;
}

std::vector<double> Sine(int count, int harmonic, double amplitude = 1.0, double phase = 0.0)
{
    std::vector<double> x(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) x[i] = amplitude * std::sin(2 * kPi * harmonic * i / count + phase);
    return x;
}

TEST(AnalyseSamples, MatchesItsFormulaOnRandomInput)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    for (const int count : {2, 3, 17, 100, 256, 300, 777}) {
        std::vector<double> x(static_cast<size_t>(count));
        for (double& v : x) v = sample(random);
        const HarmonicMap expected = ReferenceAnalysis(x);
        const HarmonicMap got = AnalyseSamples(x);
        ASSERT_EQ(got.size(), expected.size()) << count << " samples";
        for (const auto& [h, amplitude] : expected) {
            ASSERT_TRUE(got.contains(h));
            EXPECT_NEAR(got.at(h).cosine, amplitude.cosine, 1e-9) << count << " samples, harmonic " << int(h);
            EXPECT_NEAR(got.at(h).sine, amplitude.sine, 1e-9) << count << " samples, harmonic " << int(h);
        }
    }
}

TEST(AnalyseSamples, KeepsHalfTheSampleCountUpTo128Harmonics)
{
    EXPECT_EQ(AnalyseSamples(Sine(7, 1)).size(), 3u);
    EXPECT_EQ(AnalyseSamples(Sine(256, 1)).size(), 128u);
    const HarmonicMap big = AnalyseSamples(Sine(5000, 1));
    ASSERT_EQ(big.size(), 128u);
    EXPECT_EQ(big.begin()->first, 1);
    EXPECT_EQ(big.rbegin()->first, 128);
    // Fewer than two samples hold no harmonic at all.
    EXPECT_TRUE(AnalyseSamples(std::vector<double>{0.7}).empty());
    EXPECT_TRUE(AnalyseSamples({}).empty());
}

TEST(AnalyseSamples, LoudestAmplitudeIs31WhateverTheInputScale)
{
    for (const double amplitude : {1e-300, 0.001, 1.0, 40000.0, 1e300}) {
        const HarmonicMap map = AnalyseSamples(Sine(512, 3, amplitude, 0.4));
        double loudest = 0.0;
        for (const auto& [h, a] : map) loudest = std::max({loudest, std::abs(a.cosine), std::abs(a.sine)});
        EXPECT_DOUBLE_EQ(loudest, 31.0) << amplitude;
        // sin(x + 0.4) = cos 0.4 sin x + sin 0.4 cos x, the cosine part the smaller.
        EXPECT_NEAR(map.at(3).sine, 31.0, 1e-9) << amplitude;
        EXPECT_NEAR(map.at(3).cosine, 31.0 * std::tan(0.4), 1e-9) << amplitude;
        EXPECT_NEAR(map.at(1).sine, 0.0, 1e-9) << amplitude;
    }
}

TEST(AnalyseSamples, WeightFallsTowardsTheHighestHarmonic)
{
    // Equal sines at harmonics 1 and 64 of a 512-sample cycle (M = 128): the
    // second comes out at w(64) / w(1) of the first.
    std::vector<double> x = Sine(512, 1);
    const std::vector<double> high = Sine(512, 64);
    for (size_t i = 0; i < x.size(); ++i) x[i] += high[i];
    const HarmonicMap map = AnalyseSamples(x);
    const double w64 = 0.54 + 0.46 * std::cos(63 * (kPi / 2) / 128);
    EXPECT_NEAR(map.at(1).sine, 31.0, 1e-9);
    EXPECT_NEAR(map.at(64).sine, 31.0 * w64, 1e-9);
}

TEST(AnalyseSamples, SilenceAndNonFiniteSamplesGiveNothing)
{
    EXPECT_TRUE(AnalyseSamples(std::vector<double>(512, 0.0)).empty());
    // A constant has no harmonic either: rounding noise is not scaled up to a wave.
    EXPECT_TRUE(AnalyseSamples(std::vector<double>(512, 3.0)).empty());
    EXPECT_TRUE(AnalyseSamples(std::vector<double>(44100, -0.0078125)).empty());
    std::vector<double> noisy = Sine(512, 2);
    std::vector<double> zeroed = noisy;
    noisy[10] = std::numeric_limits<double>::quiet_NaN();
    noisy[20] = std::numeric_limits<double>::infinity();
    zeroed[10] = zeroed[20] = 0.0;
    const HarmonicMap a = AnalyseSamples(noisy);
    const HarmonicMap b = AnalyseSamples(zeroed);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [h, amplitude] : b) {
        EXPECT_DOUBLE_EQ(a.at(h).cosine, amplitude.cosine);
        EXPECT_DOUBLE_EQ(a.at(h).sine, amplitude.sine);
    }
    EXPECT_TRUE(AnalyseSamples(std::vector<double>(64, std::numeric_limits<double>::quiet_NaN())).empty());
}

TEST(AnalyseSamples, OneSecondAt44100IsOneLongCycle)
{
    // 3 Hz and 200 Hz over one second: harmonics 3 and 200 of the whole file,
    // and only the first 128 harmonics are kept.
    std::vector<double> x = Sine(44100, 3);
    const std::vector<double> high = Sine(44100, 200);
    for (size_t i = 0; i < x.size(); ++i) x[i] += high[i];
    const HarmonicMap map = AnalyseSamples(x);
    ASSERT_EQ(map.size(), 128u);
    EXPECT_NEAR(map.at(3).sine, 31.0, 1e-9);
    for (const auto& [h, a] : map) {
        if (h != 3) {
            EXPECT_LT(std::abs(a.sine) + std::abs(a.cosine), 1e-6) << int(h);
        }
    }
}

TEST(RecipeFromAnalysis, KeepsThe32FirstAudibleHarmonicsInSinePhase)
{
    HarmonicMap analysis;
    for (int h = 1; h <= 40; ++h) analysis[static_cast<uint8_t>(h)] = {0.0, 1.0};
    analysis[2] = {0.2, -0.2};   // d = 0.4: below the threshold
    analysis[4] = {-0.25, 0.25}; // d = 0.5: just in
    analysis[7] = {-2.0, 0.0};   // cosine only: counts by its size
    const HarmonicMap recipe = RecipeFromAnalysis(analysis);
    ASSERT_EQ(recipe.size(), 32u);
    EXPECT_FALSE(recipe.contains(2));
    EXPECT_EQ(recipe.rbegin()->first, 33);
    for (const auto& [h, a] : recipe) EXPECT_EQ(a.cosine, 0.0) << int(h);
    // Scaled so that the largest level (harmonic 7, d = 2) is 31.
    EXPECT_DOUBLE_EQ(recipe.at(7).sine, 31.0);
    EXPECT_DOUBLE_EQ(recipe.at(1).sine, 15.5);
    EXPECT_DOUBLE_EQ(recipe.at(4).sine, 7.75);
}

TEST(RecipeFromAnalysis, NothingAudibleGivesAnEmptyRecipe)
{
    EXPECT_TRUE(RecipeFromAnalysis({}).empty());
    EXPECT_TRUE(RecipeFromAnalysis({{1, {0.1, 0.3}}, {2, {0.0, -0.49}}}).empty());
}

TEST(DefaultWaves, TriangleHasOddHarmonicsAndPulseSkipsEveryFourth)
{
    // The triangle's harmonics are odd and fall as 1 / h^2, all in one phase.
    const auto triangle = DefaultInternalWave();
    const HarmonicMap t = AnalyseSamples(triangle);
    EXPECT_NEAR(t.at(1).sine, 31.0, 1e-9);
    EXPECT_NEAR(t.at(3).sine, -31.0 / 9.0 * (0.54 + 0.46 * std::cos(2 * (kPi / 2) / 128)), 0.01);
    for (int h = 2; h <= 128; h += 2) EXPECT_NEAR(std::abs(t.at(static_cast<uint8_t>(h)).sine), 0.0, 1e-9) << h;
    const HarmonicMap triangleRecipe = RecipeFromAnalysis(t);
    for (const auto& [h, a] : triangleRecipe) EXPECT_EQ(h % 2, 1) << int(h);

    // A pulse of a quarter of the cycle: no harmonic 4, 8, 12, ...
    const auto pulse = DefaultCartridgeWave();
    double sum = 0.0;
    for (const double v : pulse) sum += v;
    EXPECT_DOUBLE_EQ(sum, 128.0 * 7.0 - 384.0);
    const HarmonicMap p = AnalyseSamples(pulse);
    for (int h = 4; h <= 128; h += 4) {
        const auto& a = p.at(static_cast<uint8_t>(h));
        EXPECT_NEAR(std::abs(a.sine) + std::abs(a.cosine), 0.0, 1e-9) << h;
    }
    // Centred half a sample before the middle of the cycle: nearly all cosine.
    EXPECT_NEAR(std::abs(p.at(1).cosine), 31.0, 1e-9);
    EXPECT_LT(std::abs(p.at(1).sine), 0.5);
}

// The ready-made default waves are the analysis and rendering of the default
// samples, bit for bit, and stay the same however often they are asked for.
TEST(DefaultWaves, ReadyMadeFormsAreTheAnalysisOfTheDefaultSamples)
{
    const std::array<std::array<double, kDefaultWaveSamples>, 2> samples{DefaultInternalWave(), DefaultCartridgeWave()};
    for (int m = 0; m < 2; ++m) {
        const HarmonicMap analysis = AnalyseSamples(samples[static_cast<size_t>(m)]);
        std::array<uint8_t, 2048> tables{};
        renderWaveTables(analysis, std::span<uint8_t, 1024>(tables.data(), 1024),
                         std::span<uint8_t, 1024>(tables.data() + 1024, 1024));
        const HarmonicMap recipe = RecipeFromAnalysis(analysis);

        const UserWaveForms& wave = DefaultUserWave(m);
        EXPECT_EQ(wave.tables, tables) << m;
        ASSERT_EQ(wave.recipe.size(), recipe.size()) << m;
        for (const auto& [h, a] : recipe) {
            ASSERT_TRUE(wave.recipe.contains(h)) << m << " " << int(h);
            EXPECT_EQ(wave.recipe.at(h).cosine, a.cosine);
            EXPECT_EQ(wave.recipe.at(h).sine, a.sine);
        }
        EXPECT_EQ(&DefaultUserWave(m), &wave);
    }
    EXPECT_NE(DefaultUserWave(0).tables, DefaultUserWave(1).tables);
}

}  // namespace
}  // namespace qor

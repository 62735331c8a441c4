// The envelope decay curves and the CHORUS 3 curve: the hardware's known rows,
// and the shape the rest must keep.
#include "engine/ChorusCurve.h"
#include "engine/EnvelopeCurves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

namespace qor {
namespace {

TEST(CurveTables, EnvelopeCurvesHoldTheHardwareRowsToTheBit)
{
    const std::vector<std::pair<int, float>> vcf{
        {0, 0.999856f}, {1, 0.936853f}, {2, 0.936853f}, {3, 0.877391f}, {62, 0.222545f},
        {124, 0.064735f}, {186, 0.015545f}, {247, 0.000169f}, {248, 0.000169f},
    };
    for (const auto& [row, value] : vcf) EXPECT_EQ(vcfCurve[size_t(row)], value) << "VCF row " << row;

    const std::vector<std::pair<int, float>> vca{
        {0, 0.999856f}, {1, 0.968695f}, {2, 0.968695f}, {3, 0.937534f}, {126, 0.221654f},
        {252, 0.068652f}, {378, 0.018442f}, {503, 0.000543f}, {504, 0.000543f},
    };
    for (const auto& [row, value] : vca) EXPECT_EQ(vcaCurve[size_t(row)], value) << "VCA row " << row;
}

// Row 0 alone, then every value twice (rows 1-2, 3-4, ...), each pair strictly
// below the one before, and the decay from pair to pair smooth: the ratio of
// neighbouring pairs changes only gradually (no kinks at the known rows).
void expectFallingPairs(std::span<const float> curve, const char* name)
{
    ASSERT_EQ(curve.size() % 2, 1u);
    for (size_t row = 1; row + 1 < curve.size(); row += 2) {
        EXPECT_EQ(curve[row], curve[row + 1]) << name << " rows " << row << ", " << row + 1;
        EXPECT_LT(curve[row], curve[row - 1]) << name << " row " << row;
        EXPECT_GT(curve[row], 0.0f) << name << " row " << row;
    }
    double previousRatio = curve[1] / double(curve[0]);
    for (size_t row = 3; row < curve.size(); row += 2) {
        const double ratio = curve[row] / double(curve[row - 1]);
        EXPECT_GT(ratio, 0.75) << name << " row " << row;
        EXPECT_NEAR(ratio, previousRatio, 0.04) << name << " row " << row;
        previousRatio = ratio;
    }
}

TEST(CurveTables, EnvelopeCurvesFallInPairsAndSmoothly)
{
    expectFallingPairs(vcfCurve, "VCF");
    expectFallingPairs(vcaCurve, "VCA");
}

TEST(CurveTables, ChorusCurveIsAnEightBitSweepDownAndBack)
{
    std::vector<int> steps;
    for (double v : chorus3Curve) {
        const double n = std::round(v * 255);
        EXPECT_EQ(v, n / 255) << "not a multiple of 1/255: " << v;
        steps.push_back(int(n));
    }

    const std::vector<std::pair<int, int>> known{
        {0, 244}, {48, 198}, {96, 152}, {144, 108}, {192, 61}, {240, 15},
        {288, 48}, {336, 94}, {384, 136}, {432, 180}, {480, 228},
    };
    for (const auto& [row, value] : known) EXPECT_EQ(steps[size_t(row)], value) << "row " << row;

    // Falls to 15 somewhere in 232..240, stays within 15..244, rises again and
    // ends close to where it began, so the loop closes without a jump.
    const auto lowest = std::min_element(steps.begin(), steps.end());
    EXPECT_EQ(*lowest, 15);
    EXPECT_GE(lowest - steps.begin(), 232);
    EXPECT_LE(lowest - steps.begin(), 240);
    EXPECT_EQ(*std::max_element(steps.begin(), steps.end()), 244);
    EXPECT_GE(steps.back(), 236);
    const auto bottom = size_t(lowest - steps.begin());
    for (size_t i = 1; i < steps.size(); ++i) {
        if (i <= bottom) EXPECT_LE(steps[i], steps[i - 1]) << "row " << i;
        else EXPECT_GE(steps[i], steps[i - 1]) << "row " << i;
        EXPECT_LE(std::abs(steps[i] - steps[i - 1]), 3) << "row " << i;
    }
    EXPECT_LE(std::abs(steps.front() - steps.back()), 3);
}

}  // namespace
}  // namespace qor

#include <gtest/gtest.h>

#include "engine/Noise.h"

namespace qor {
namespace {

TEST(Noise, SkippingMatchesDrawingOneByOne)
{
    // The engine skips the draws of a run in which no voice plays noise; the
    // sequence afterwards must be the one the voices would have left behind.
    for (uint64_t steps : {0ull, 1ull, 2ull, 131ull, 8448ull, 100003ull}) {
        NoiseGenerator drawn, skipped;
        for (uint64_t i = 0; i < steps; ++i) drawn.next();
        skipped.skip(steps);
        EXPECT_EQ(drawn.state, skipped.state) << steps;
        EXPECT_EQ(drawn.next(), skipped.next());
    }
    NoiseGenerator g;
    EXPECT_EQ(g.next(), 16807 * 4.6566129e-10);
}

}  // namespace
}  // namespace qor

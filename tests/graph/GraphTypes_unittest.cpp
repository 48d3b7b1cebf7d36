#include "graph/GraphTypes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zvp {
namespace {

constexpr REFERENCE_TIME kMin = std::numeric_limits<REFERENCE_TIME>::min();
constexpr REFERENCE_TIME kMax = std::numeric_limits<REFERENCE_TIME>::max();

// Times from damaged files: sums and differences saturate instead of wrapping, and what they
// give can be summed or subtracted again without overflow.
TEST(GraphTypesTest, TimeArithmeticSaturatesAtTheClamp) {
    EXPECT_EQ(TimeDifference(5 * UNITS, 2 * UNITS), 3 * UNITS);
    EXPECT_EQ(TimeSum(-UNITS, 3 * UNITS), 2 * UNITS);

    EXPECT_EQ(TimeDifference(kMin, 5'040'000), -kTimeClamp);  // no time less a start
    EXPECT_EQ(TimeDifference(kMax, -1), kTimeClamp);
    EXPECT_EQ(TimeDifference(kMax, kMin), kTimeClamp);
    EXPECT_EQ(TimeDifference(0, kMin), kTimeClamp);
    EXPECT_EQ(TimeSum(kMax, 1), kTimeClamp);
    EXPECT_EQ(TimeSum(kMin, -1), -kTimeClamp);
    EXPECT_EQ(TimeSum(kTimeClamp, kTimeClamp), kTimeClamp);

    const REFERENCE_TIME low = TimeDifference(kMin, kMax);
    const REFERENCE_TIME high = TimeSum(kMax, kMax);
    REFERENCE_TIME span = 0;
    EXPECT_FALSE(__builtin_sub_overflow(high, low, &span));
    EXPECT_FALSE(__builtin_add_overflow(high, kTimeClamp, &span));
}

}  // namespace
}  // namespace zvp

#include "common/Rounding.h"

#include <gtest/gtest.h>

namespace kalemir {
namespace {

TEST(RoundingTest, RoundDownTakesTheFloorOfHalfUp) {
    EXPECT_DOUBLE_EQ(RoundDown(0.12346, 4), 0.1235);
    EXPECT_DOUBLE_EQ(RoundDown(2.5, 0), 3.0);
    EXPECT_DOUBLE_EQ(RoundDown(-2.5, 0), -2.0); // floor(-2.0): halves go up, not away
    EXPECT_DOUBLE_EQ(RoundDown(-2.51, 0), -3.0);
    EXPECT_DOUBLE_EQ(RoundDown(7.26, 1), 7.3);
    EXPECT_DOUBLE_EQ(RoundDown(-7.25, 1), -7.2);
    // The scale-back multiplies by 10^-d: 461 * 0.0001 is the double the report shows.
    EXPECT_EQ(RoundDown(0.046051701859880914, 4), 461 * 0.0001);
}

TEST(RoundingTest, SignedRoundingGoesAwayFromZero) {
    EXPECT_DOUBLE_EQ(RoundHalfAway(2.5, 0), 3.0);
    EXPECT_DOUBLE_EQ(RoundHalfAway(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(RoundHalfAway(-7.25, 1), -7.3);
    EXPECT_DOUBLE_EQ(RoundHalfAway(-0.04, 1), 0.0);
}

TEST(RoundingTest, FixTruncatesTowardZero) {
    EXPECT_EQ(Fix(2.7), 2.0);
    EXPECT_EQ(Fix(-2.7), -2.0);
    EXPECT_EQ(IntFloor(-2.7), -3.0);
}

TEST(RoundingTest, IntegerAssignmentRoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(4.49), 4);
    EXPECT_EQ(RoundHalfEven(4.51), 5);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
}

} // namespace
} // namespace kalemir

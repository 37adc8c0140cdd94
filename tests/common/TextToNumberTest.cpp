#include "common/TextToNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace kalemir {
namespace {

TEST(TextToNumberTest, LeadingNumberOfTheText) {
    EXPECT_EQ(TextToNumber("?"), 0.0);
    EXPECT_EQ(TextToNumber(""), 0.0);
    EXPECT_EQ(TextToNumber("  \t 7.25"), 7.25);
    EXPECT_EQ(TextToNumber("1e3"), 1000.0);
    EXPECT_EQ(TextToNumber("1E-2"), 0.01);
    EXPECT_EQ(TextToNumber("-.5"), -0.5);
    EXPECT_EQ(TextToNumber("+.5"), 0.5);
    EXPECT_EQ(TextToNumber("12.5abc"), 12.5);
    EXPECT_EQ(TextToNumber("5."), 5.0);
    EXPECT_EQ(TextToNumber(" .25"), 0.25);
    EXPECT_EQ(TextToNumber("0.0001"), 0.0001);
}

TEST(TextToNumberTest, PartialNumbersStopWhereTheNumberStops) {
    EXPECT_EQ(TextToNumber("3e"), 3.0);    // no exponent digit: the letter is not read
    EXPECT_EQ(TextToNumber("3e+"), 3.0);   // nor a lone sign
    EXPECT_EQ(TextToNumber("2.5.7"), 2.5); // a second point ends the number
    EXPECT_EQ(TextToNumber("1,5"), 1.0);   // the comma is no decimal point
    EXPECT_EQ(TextToNumber("."), 0.0);
    EXPECT_EQ(TextToNumber("-"), 0.0);
    EXPECT_EQ(TextToNumber("abc12"), 0.0);
    EXPECT_EQ(TextToNumber("- 5"), 0.0);
}

TEST(TextToNumberTest, OutOfRangeValuesSaturate) {
    EXPECT_EQ(TextToNumber("1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(TextToNumber("-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(TextToNumber("1e-999"), 0.0);
}

TEST(TextToNumberTest, BeginsWithNumber) {
    EXPECT_TRUE(BeginsWithNumber(" 0.3"));
    EXPECT_TRUE(BeginsWithNumber("4x"));
    EXPECT_FALSE(BeginsWithNumber("?"));
    EXPECT_FALSE(BeginsWithNumber("x4"));
    EXPECT_FALSE(BeginsWithNumber(""));
    EXPECT_FALSE(BeginsWithNumber("."));
}

} // namespace
} // namespace kalemir

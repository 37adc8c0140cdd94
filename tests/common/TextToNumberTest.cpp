#include "common/TextToNumber.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

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

// Values as people type them into a field or an option: what is taken, and what is refused
// with the message that says why. The comma row is the one a German desktop gives.
struct TypedCase {
    const char* typed;
    std::optional<std::string> problem; ///< no value when the value is taken
};

class TypedNumberTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedNumberTest, TakenOrRefusedWithItsReason) {
    EXPECT_EQ(TypedNumberProblem(GetParam().typed), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TypedNumberTest,
    ::testing::Values(
        TypedCase{"0.75", std::nullopt}, TypedCase{"12", std::nullopt},
        TypedCase{" -.5\t", std::nullopt}, TypedCase{"+3.", std::nullopt},
        TypedCase{"1e-2", std::nullopt}, TypedCase{"2E3", std::nullopt},
        TypedCase{"0,75", "0,75: use a decimal point"},
        TypedCase{" 0,05 ", "0,05: use a decimal point"},
        TypedCase{",5", ",5: use a decimal point"},
        TypedCase{"1,000", "1,000: use a decimal point"}, TypedCase{"1,2,3", "1,2,3: not a number"},
        TypedCase{".05abc", ".05abc: not a number"}, TypedCase{"3e", "3e: not a number"},
        TypedCase{"2.5.7", "2.5.7: not a number"}, TypedCase{"- 5", "- 5: not a number"},
        TypedCase{".", ".: not a number"}, TypedCase{"0x10", "0x10: not a number"},
        TypedCase{"inf", "inf: not a number"}, TypedCase{"1 000", "1 000: not a number"},
        TypedCase{"", "nothing typed"}, TypedCase{" \t ", "nothing typed"}));

TEST(TypedNumberTest, AValueTakenReadsAsTheNumberTyped) {
    EXPECT_EQ(TextToNumber(" 0.75 "), 0.75);
    EXPECT_EQ(WithoutBlanksAround(" \t0,75\t "), "0,75");
}

} // namespace
} // namespace kalemir

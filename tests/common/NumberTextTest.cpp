#include "common/NumberText.h"

#include <gtest/gtest.h>

namespace kalemir {
namespace {

struct FormCase {
    double value;
    const char* plain;
    const char* report;
};

class NumberFormTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(NumberFormTest, PlainAndReportForms) {
    const FormCase& c = GetParam();
    EXPECT_EQ(PlainNumber(c.value), c.plain);
    EXPECT_EQ(NumText(c.value), c.report);
}

// Expected texts written by hand from the two rules: the report form adds a blank before
// values that are not negative and drops the 0 before the point below magnitude 1.
INSTANTIATE_TEST_SUITE_P(
    Examples, NumberFormTest,
    ::testing::Values(FormCase{0.25, "0.25", " .25"}, FormCase{20, "20", " 20"},
                      FormCase{-0.5, "-0.5", "-.5"}, FormCase{0, "0", " 0"},
                      FormCase{-0.0, "0", " 0"}, FormCase{1, "1", " 1"},
                      FormCase{-148, "-148", "-148"}, FormCase{0.0461, "0.0461", " .0461"},
                      FormCase{0.5001, "0.5001", " .5001"}, FormCase{0.0001, "0.0001", " .0001"},
                      FormCase{-0.0001, "-0.0001", "-.0001"},
                      FormCase{123456.789, "123456.789", " 123456.789"},
                      FormCase{1.5, "1.5", " 1.5"},
                      FormCase{999999999999999.0, "999999999999999", " 999999999999999"},
                      // 15 significant digits: 1/3 and the classic 0.1 + 0.2.
                      FormCase{1.0 / 3.0, "0.333333333333333", " .333333333333333"},
                      FormCase{0.1 + 0.2, "0.3", " .3"},
                      FormCase{2.0 / 3.0, "0.666666666666667", " .666666666666667"},
                      FormCase{-12.5, "-12.5", "-12.5"}));

INSTANTIATE_TEST_SUITE_P(ExponentForm, NumberFormTest,
                         ::testing::Values(FormCase{1e-5, "1E-05", " 1E-05"},
                                           FormCase{-2.5e-7, "-2.5E-07", "-2.5E-07"},
                                           FormCase{1e15, "1E+15", " 1E+15"},
                                           FormCase{1.25e20, "1.25E+20", " 1.25E+20"},
                                           FormCase{9.99e-5, "9.99E-05", " 9.99E-05"},
                                           FormCase{1e-300, "1E-300", " 1E-300"},
                                           FormCase{-3e100, "-3E+100", "-3E+100"}));

TEST(NumberTextTest, RoundingAtTheDigitLimitCanReachThePlainRange) {
    // 0.000099999999999999999 rounds to 1E-4 at 15 digits, which is written plainly.
    EXPECT_EQ(PlainNumber(0.0000999999999999999999), "0.0001");
    // 999999999999999.9 rounds to 1E+15 at 15 digits, which is written as an exponent.
    EXPECT_EQ(PlainNumber(999999999999999.9), "1E+15");
}

TEST(NumberTextTest, SinglePrecisionKeepsSevenDigits) {
    EXPECT_EQ(NumTextSingle(0.5001f), " .5001");
    EXPECT_EQ(PlainNumberSingle(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(NumTextSingle(-2.0f / 3.0f), "-.6666667");
    EXPECT_EQ(PlainNumberSingle(123456789.0f), "123456800");
    EXPECT_EQ(PlainNumberSingle(0.1f), "0.1");
    EXPECT_EQ(PlainNumberSingle(1e-5f), "1E-05");
    // The same value in double precision shows the single-precision error.
    EXPECT_EQ(PlainNumber(static_cast<double>(0.1f)), "0.100000001490116");
}

} // namespace
} // namespace kalemir

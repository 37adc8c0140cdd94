#include "tables/TableText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kalemir::tables {
namespace {

struct NumberCase {
    double value;
    const char* text;
};

// Six significant digits, never an exponent: the table readers take the longest leading
// decimal number of a token, so "1.5e-06" would read as 1.5.
TEST(DescriptorNumber, SixSignificantDigitsInPlainDecimals) {
    const NumberCase cases[] = {
        {0.4830912, "0.483091"},
        {742446.2, "742446"},
        {1234567, "1234570"},
        {999999.7, "1000000"},
        {0.0000015, "0.0000015"},
        {-0.5, "-0.5"},
        {12.0, "12"},
        {0.1 + 0.2, "0.3"},
        {-0.0, "0"},
        {0, "0"},
        {std::nan(""), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
        {-1.0e-9 * 4.25, "-0.00000000425"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(DescriptorNumber(c.value), c.text) << c.value;
    }
}

TEST(PropertyNumber, AtMostFourDecimals) {
    const NumberCase cases[] = {{6.87, "6.87"},  {5, "5"},       {7.123456, "7.1235"},
                                {-0.00004, "0"}, {-2.5, "-2.5"}, {1234.00001, "1234"}};
    for (const NumberCase& c : cases) {
        EXPECT_EQ(PropertyNumber(c.value), c.text) << c.value;
    }
}

TEST(CoordinateNumber, AlwaysFourDecimals) {
    EXPECT_EQ(CoordinateNumber(8.264), "8.2640");
    EXPECT_EQ(CoordinateNumber(1.00004), "1.0000");
    EXPECT_EQ(CoordinateNumber(-0.00001), "0.0000");
}

TEST(TokenName, ReplacesWhatWouldSplitARecordOrAToken) {
    EXPECT_EQ(TokenName("Ro 15-1788"), "Ro_15-1788");
    EXPECT_EQ(TokenName("a,b\t\"c\""), "a_b__c_");
    EXPECT_EQ(TokenName("caf\xC3\xA9"), "caf__");
    EXPECT_EQ(TokenName("bzr001"), "bzr001");
}

struct ValueCase {
    const char* text;
    bool number;
    double value;
};

TEST(ReadMeasuredValue, OnlyAWholeFiniteNumberIsAValue) {
    const ValueCase cases[] = {
        {"6.87", true, 6.87}, {" 7 ", true, 7},    {"+3", true, 3},   {"-1e-2", true, -0.01},
        {"", false, 0},       {"?", false, 0},     {"n/a", false, 0}, {"7.5 uM", false, 0},
        {"1,5", false, 0},    {"1e999", false, 0}, {"inf", false, 0}, {"nan", false, 0},
        {"+-1", false, 0},    {">5", false, 0},
    };
    for (const ValueCase& c : cases) {
        double value = -99;
        EXPECT_EQ(ReadMeasuredValue(c.text, value), c.number) << c.text;
        if (c.number) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
}

} // namespace
} // namespace kalemir::tables

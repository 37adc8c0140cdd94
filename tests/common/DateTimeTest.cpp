#include "common/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kalemir {
namespace {

TEST(DateTimeTest, TwoDigitFieldsWithLeadingZeros) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 2026-03-04 05:06:07 UTC
    const std::time_t moment = 1772600767;
    EXPECT_EQ(DateText(moment), "03-04-2026");
    EXPECT_EQ(TimeText(moment), "05:06:07");
    EXPECT_EQ(DateText().size(), 10u);
    EXPECT_EQ(TimeText().size(), 8u);
    const double seconds = SecondsOfDay();
    EXPECT_GE(seconds, 0.0);
    EXPECT_LT(seconds, 86400.0);
}

} // namespace
} // namespace kalemir

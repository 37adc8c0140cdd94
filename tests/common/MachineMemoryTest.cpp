// The memory a run may use: the smallest of the limits that are set, and the control
// group's limit as its file holds it.

#include "common/MachineMemory.h"

#include <gtest/gtest.h>

namespace kalemir {
namespace {

constexpr long long kGB = 1'000'000'000;

struct LimitsCase {
    const char* name;
    MemoryLimits limits;
    long long usable;
};

class UsableBytesTest : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(UsableBytesTest, TheSmallestLimitThatIsSet) {
    EXPECT_EQ(UsableBytes(GetParam().limits), GetParam().usable);
}

const LimitsCase kLimitsCases[] = {
    {"PhysicalAlone", {24 * kGB, std::nullopt, std::nullopt}, 24 * kGB},
    {"ControlGroupBelow", {24 * kGB, 2 * kGB, std::nullopt}, 2 * kGB},
    {"ControlGroupAbove", {24 * kGB, 64 * kGB, std::nullopt}, 24 * kGB},
    {"AddressSpaceBelowBoth", {24 * kGB, 2 * kGB, kGB}, kGB},
    {"NoPhysicalFigure", {0, std::nullopt, 3 * kGB}, 3 * kGB},
    {"NothingKnown", {0, std::nullopt, std::nullopt}, 0},
};

INSTANTIATE_TEST_SUITE_P(Limits, UsableBytesTest, ::testing::ValuesIn(kLimitsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ControlGroupLimit, ReadsBytesAndTakesMaxAsNoLimit) {
    EXPECT_EQ(ControlGroupLimit("2147483648\n"), 2147483648LL);
    EXPECT_EQ(ControlGroupLimit("max\n"), std::nullopt);
    EXPECT_EQ(ControlGroupLimit(""), std::nullopt);
    EXPECT_EQ(ControlGroupLimit("12ab"), std::nullopt);
    EXPECT_EQ(ControlGroupLimit("0"), std::nullopt);
}

TEST(MachineMemoryBytes, TheMachineReportsSomeMemory) {
    EXPECT_GT(MachineMemoryBytes(), 0);
}

} // namespace
} // namespace kalemir

#include "tables/ToolkitVersion.h"

#include <gtest/gtest.h>

namespace kalemir::tables {
namespace {

TEST(ToolkitVersion, NamesTheReleaseTheTableMakerWasBuiltWith) {
    EXPECT_EQ(ToolkitVersion().substr(0, 7), "2022.09");
}

} // namespace
} // namespace kalemir::tables

#include "shell/pane_layout.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(PaneLayoutTest, EachShareIsTruncatedOnItsOwn) {
    EXPECT_EQ(PaneRightEdges(758), (std::vector<int>{189, 378, 757}));
    EXPECT_EQ(PaneRightEdges(800), (std::vector<int>{200, 400, 800}));
    // Up to a pixel per pane may be left over at the end.
    EXPECT_EQ(PaneRightEdges(763), (std::vector<int>{190, 380, 761}));
    EXPECT_EQ(PaneRightEdges(3), (std::vector<int>{0, 0, 1}));
}

TEST(PaneLayoutTest, NoEdgesForABarWithoutWidth) {
    EXPECT_TRUE(PaneRightEdges(0).empty());
    EXPECT_TRUE(PaneRightEdges(-5).empty());
}

TEST(PaneLayoutTest, SharesThatDoNotDivideEvenly) {
    // 29 % of 100 is 29 exactly, not the 28 a product with 0.01 would truncate to.
    const int percents[] = {29, 71};
    EXPECT_EQ(PaneRightEdges(100, percents), (std::vector<int>{29, 100}));
}

}  // namespace
}  // namespace zolt

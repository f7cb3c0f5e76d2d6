#include "shell/view_metrics.h"

#include <gtest/gtest.h>

#include <thread>

namespace zolt {
namespace {

TEST(ColourCountTest, TwoToTheDepthCountingAtMostEightBits) {
    EXPECT_EQ(ColourCountForDepth(32), 256);
    EXPECT_EQ(ColourCountForDepth(24), 256);
    EXPECT_EQ(ColourCountForDepth(8), 256);
    EXPECT_EQ(ColourCountForDepth(4), 16);
    EXPECT_EQ(ColourCountForDepth(2), 4);
    EXPECT_EQ(ColourCountForDepth(1), 2);
    EXPECT_EQ(ColourCountForDepth(0), 0);
}

TEST(ViewMetricsTest, ZeroUntilTheViewTellsIt) {
    const ViewMetrics metrics;
    EXPECT_EQ(metrics.Size(), (ViewSize{0, 0}));
    EXPECT_EQ(metrics.ColourCount(), 0);
}

TEST(ViewMetricsTest, AReaderNeverSeesHalfOfASize) {
    ViewMetrics metrics;
    metrics.SetSize({1520, 1240});
    EXPECT_EQ(metrics.Size(), (ViewSize{1520, 1240}));
    metrics.SetSize({3, 2});

    std::atomic<bool> torn = false;
    std::thread reader([&] {
        for (int i = 0; i < 200000; ++i) {
            const ViewSize size = metrics.Size();
            if (size.width * 2 != size.height * 3)
                torn = true;
        }
    });
    for (int i = 1; i <= 200000; ++i)
        metrics.SetSize({3 * (i % 1000 + 1), 2 * (i % 1000 + 1)});
    reader.join();
    EXPECT_FALSE(torn);
}

}  // namespace
}  // namespace zolt

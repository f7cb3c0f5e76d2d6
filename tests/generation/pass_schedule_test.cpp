#include "generation/pass_schedule.h"

#include <gtest/gtest.h>

#include "surface/headless_surface.h"

namespace zolt {
namespace {

// The percentages of rows 0, step, 2 step, ... of an image `height` rows high.
std::vector<int> RowPercents(int height, int step) {
    std::vector<int> percents;
    for (int y = 0; y < height; y += step)
        percents.push_back(static_cast<int>(static_cast<double>(y + 1) * (100.0 / height)));
    return percents;
}

int Replay(PassProgress& progress, const std::vector<int>& percents) {
    for (int percent : percents) {
        progress.RowBegun(percent);
        progress.RowFinished(percent);
    }
    return static_cast<int>(percents.size());
}

TEST(PassSchedule, HalvesToThePenultimateResolutionThenSinglePixels) {
    const auto schedule = [](int initial, int penultimate) {
        std::vector<int> passes;
        for (int b = FirstBlockSize(initial); b != 0 && passes.size() < 100;
             b = NextBlockSize(b, penultimate))
            passes.push_back(b);
        return passes;
    };
    EXPECT_EQ(schedule(8, 4), (std::vector<int>{8, 4, 1}));
    EXPECT_EQ(schedule(8, 2), (std::vector<int>{8, 4, 2, 1}));
    EXPECT_EQ(schedule(1, 1), (std::vector<int>{1}));
    EXPECT_EQ(schedule(4, 4), (std::vector<int>{4, 1}));
    // Stored values the dialog never offers still give schedules that end.
    EXPECT_EQ(schedule(0, 4), (std::vector<int>{1}));
    EXPECT_EQ(schedule(-3, -3), (std::vector<int>{1}));
    EXPECT_EQ(schedule(8, 0), (std::vector<int>{8, 4, 2, 1}));
    EXPECT_EQ(schedule(6, 4), (std::vector<int>{6, 3}));
    EXPECT_EQ(schedule(2, 8), (std::vector<int>{2}));
    EXPECT_EQ(schedule(2147483647, 4).size(), 30u);
}

// A reference's time left is told once a percent of it is done, from the rate so far.
TEST(ReferenceEstimate, TellsTheSizeAtOnceAndTheTimeLeftAfterTheFirstPercent) {
    EXPECT_EQ(ReferenceEstimateText(0.009, 3ULL << 29, 5.0), "Reference: 0% of 1.5 GiB");
    EXPECT_EQ(ReferenceEstimateText(0.25, 900 << 20, 30.0),
              "Reference: 25% of 900 MiB, about 1:30 left");
}

TEST(PassProgress, FourHundredRowsAtBlockEightShowOneTextAndTenCopies) {
    HeadlessSurface ui;
    PassProgress progress(ui, 8);
    Replay(progress, RowPercents(400, 8));
    // Rows 0, 8, 16, ... give 0, 2, 4, ... percent: all even, so one text for the whole pass.
    ASSERT_EQ(ui.StatusHistory().size(), 1u);
    EXPECT_EQ(ui.StatusHistory()[0], (HeadlessSurface::StatusChange{2, "Resolution: 8 - 0%"}));
    // Copies at 0, 10, ..., 90 percent; 100 is never reached by a row start of 8.
    EXPECT_EQ(ui.Presents(), 10);
}

TEST(PassProgress, ATextAtTheFirstRowOfEachRunOfEvenPercentages) {
    HeadlessSurface ui;
    PassProgress everyRowEven(ui, 1);
    Replay(everyRowEven, RowPercents(50, 1));  // row y has (y + 1) * 2 percent
    EXPECT_EQ(ui.StatusHistory().size(), 1u);

    ui.ClearStatusHistory();
    PassProgress twoRowsAPercent(ui, 1);
    Replay(twoRowsAPercent, RowPercents(200, 1));
    ASSERT_EQ(ui.StatusHistory().size(), 51u);
    EXPECT_EQ(ui.StatusHistory()[1].text, "Resolution: 1 - 2%");
    EXPECT_EQ(ui.StatusHistory()[50].text, "Resolution: 1 - 100%");
}

}  // namespace
}  // namespace zolt

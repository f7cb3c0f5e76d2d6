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

#include "commands/picture_export.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "document/fractal_file.h"
#include "engine/deep_engine.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

class PictureExportTest : public ::testing::Test {
  protected:
    PictureExportTest() {
        def.Name.Assign("Leaf");
        SetNumbersOf(def, {-0.7453, -0.7433, 0.1127, 0.1143, 500, 200.0});
        def.Appearance.Colours = 64;
        BuildPalette(64, def.Appearance.Palette);
    }
    PictureExport::Request To(const std::filesystem::path& path, int width = 120) const {
        return {.width = width, .height = 90, .threads = 2, .path = path.string()};
    }
    PictureExport::Outcome Run(const PictureExport::Request& request) {
        PictureExport picture;
        EXPECT_TRUE(picture.Start(def, request));
        return picture.Finish();
    }

    FractalDef def;
    test::TempDir dir;
};

TEST_F(PictureExportTest, APictureCarriesItsDefinitionToOpenAgain) {
    EXPECT_TRUE(Run(To(dir.Path() / "leaf.png")).written);
    const FractalLoad load = LoadFractalFile((dir.Path() / "leaf.png").string(), {120, 90}, 256);
    ASSERT_TRUE(load.content) << load.reason;
    EXPECT_EQ(load.content->numbers.Pstart, def.Pstart);
    EXPECT_EQ(load.content->numbers.Iterations, 500);
    EXPECT_EQ(load.content->appearance.Palette, def.Appearance.Palette);
}

TEST_F(PictureExportTest, ANameEndingInExrWritesOpenExr) {
    EXPECT_TRUE(Run(To(dir.Path() / "leaf.exr", 40)).written);
    EXPECT_EQ(test::ReadBytes(dir.Path() / "leaf.exr").substr(0, 4), "\x76\x2f\x31\x01");
}

TEST_F(PictureExportTest, TheHeightThatKeepsTheViewsProportions) {
    const ViewSize view{500, 400};
    EXPECT_EQ(ProportionalHeight(def, 1000, view), 800);  // 0.002 across, 0.0016 down
    EXPECT_EQ(ProportionalHeight(def, 65536, view), 52429);
    def.Qfinish = def.Qstart;  // a view of no height still has a picture of one row
    EXPECT_EQ(ProportionalHeight(def, 100, view), 1);
    def.Pfinish = def.Pstart;
    EXPECT_EQ(ProportionalHeight(def, 100, view), 1);
    // A deep view's doubles tell nothing of its shape: the view's does.
    def.Deep = {"-0.7453", "-0.7453000000000000000000000000000002", "0.1127"};
    EXPECT_EQ(ProportionalHeight(def, 1000, {300, 600}), 2000);
}

TEST_F(PictureExportTest, ADeepViewsPictureKeepsEveryDigit) {
    GenerationSnapshot numbers = NumbersOf(def);
    ASSERT_TRUE(SetExactCorners(
        numbers, {"-0.7453", "-0.7453000000000000000000000000000002", "0.1127"}, {120, 90}));
    SetNumbersOf(def, numbers);
    EXPECT_TRUE(Run(To(dir.Path() / "deep.png")).written);
    const FractalLoad load = LoadFractalFile((dir.Path() / "deep.png").string(), {120, 90}, 256);
    ASSERT_TRUE(load.content) << load.reason;
    EXPECT_EQ(load.content->numbers.Deep, def.Deep);
}

// A long reference is told as it grows, before any row, and Cancel stops it there.
TEST_F(PictureExportTest, ADeepReferenceIsToldAsItGrowsAndCancelStopsIt) {
    SetNumbersOf(def, {-0.1, -0.1, 0.1, 0.1, 30'000'000, 4.0});  // inside: every iteration runs
    GenerationSnapshot numbers = NumbersOf(def);
    ASSERT_TRUE(
        SetExactCorners(numbers, {"-0.1", "-0.0999999999999999999999999999999", "0.1"}, {120, 90}));
    SetNumbersOf(def, numbers);
    PictureExport picture;
    ASSERT_TRUE(picture.Start(def, To(dir.Path() / "long.png")));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (picture.ReferencePercent() < 0 && !picture.Done() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(picture.ReferencePercent(), 0);
    EXPECT_GT(picture.ReferenceBytes(), 16u * 30'000'000);  // its size, told with it
    EXPECT_EQ(picture.RowsDone(), 0);
    picture.Cancel();
    EXPECT_TRUE(picture.Finish().cancelled);
    EXPECT_EQ(picture.ReferencePercent(), -1);
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
}

// Whether cancelled, refused by the directory or out of disk space, an export says why and
// leaves no file behind.
TEST_F(PictureExportTest, ACancelledOrFailedExportLeavesNoFile) {
    PictureExport picture;
    ASSERT_TRUE(picture.Start(def, To(dir.Path() / "slow.png", 8000)));
    picture.Cancel();
    const PictureExport::Outcome cancelled = picture.Finish();
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.written);

    const PictureExport::Outcome refused = Run(To(dir.Path() / "none" / "a.png"));
    EXPECT_FALSE(refused.written);
    EXPECT_EQ(refused.reason, "No such file or directory");

    // A view the deep engine cannot take is refused as such, before any file is made.
    GenerationSnapshot numbers = NumbersOf(def);
    numbers.Iterations = kMaxDeepIterations + 1;
    ASSERT_TRUE(SetExactCorners(
        numbers, {"-0.7453", "-0.7453000000000000000000000000000002", "0.1127"}, {120, 90}));
    FractalDef deep = def;
    SetNumbersOf(deep, numbers);
    PictureExport refusing;
    ASSERT_TRUE(refusing.Start(deep, To(dir.Path() / "deep.png")));
    const PictureExport::Outcome tooMany = refusing.Finish();
    EXPECT_TRUE(tooMany.refused);
    EXPECT_FALSE(tooMany.cancelled);
    EXPECT_EQ(tooMany.reason, "deep views take at most 33554430 iterations");

    EXPECT_TRUE(test::RunInChild(
        [&] {
            const PictureExport::Outcome full = Run(To(dir.Path() / "full.png"));
            return !full.written && full.reason == "File too large";
        },
        {.fileSizeLimit = 4096}));
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
}

}  // namespace
}  // namespace zolt

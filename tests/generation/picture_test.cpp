#include "generation/picture.h"

#include <gtest/gtest.h>

#include "document/fractal_file.h"
#include "document/png_file.h"
#include "document/text_file.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

class PictureTest : public ::testing::Test {
  protected:
    PictureTest() { BuildPalette(256, palette); }

    PictureRequest Request(int width, int height, int bandRows = 0) {
        counter = std::make_unique<PlainCounter>(view, width);
        colours = BuildLogicalPalette(256, palette);
        return {.counter = counter.get(),
                .colour = {false, 2, view.Iterations, colours},
                .width = width,
                .height = height,
                .texts = {{"Zolt", "a text"}},
                .threads = 3,
                .bandRows = bandRows};
    }
    std::string Written(const PictureRequest& request, const std::string& name) {
        std::string reason;
        const auto path = dir.Path() / name;
        EXPECT_TRUE(WritePicture(request, path, AtomicFile::Fifo::kRefuseWithoutReader, nullptr, {},
                                 reason))
            << reason;
        return test::ReadBytes(path);
    }

    GenerationSnapshot view{-0.7453, -0.7433, 0.1127, 0.0, 2000, 200.0};
    Palette palette;
    std::vector<Pixel> colours;
    std::unique_ptr<PlainCounter> counter;
    test::TempDir dir;
};

TEST_F(PictureTest, BandsOfAnyHeightMakeThePictureOfOnePiece) {
    // The whole picture computed at once, then written.
    const PictureRequest whole = Request(97, 61);
    OffscreenImage image;
    image.buffer = {97, 61, std::vector<Pixel>(97 * 61)};
    image.created = true;
    RenderPool pool(2);
    class : public PassObserver {
        void RowBegun(int) override {}
        void RowFinished(int) override {}
    } nobody;
    ASSERT_EQ(pool.Run({.counter = whole.counter, .colour = whole.colour}, image, nobody).y, 61);
    std::string reason;
    ASSERT_TRUE(WritePng(image.buffer, dir.Path() / "whole.png", whole.texts, &reason)) << reason;
    const std::string expected = test::ReadBytes(dir.Path() / "whole.png");

    for (int bandRows : {1, 7, 60, 61, 1000})
        EXPECT_EQ(Written(Request(97, 61, bandRows), "band.png"), expected) << bandRows;
}

// Rows are told as they are finished, not band by band, so that a picture of one band moves too:
// never 2 % of the rows without a word, to the last row.
TEST_F(PictureTest, ProgressComesRowByRow) {
    for (int bandRows : {0, 70}) {
        std::vector<int> told;
        std::string reason;
        ASSERT_TRUE(WritePicture(
            Request(64, 300, bandRows), dir.Path() / "rows.png",
            AtomicFile::Fifo::kRefuseWithoutReader, nullptr,
            [&told](int rows) { told.push_back(rows); }, reason))
            << reason;
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told.back(), 300);
        int before = 0;
        for (int rows : told) {
            EXPECT_GT(rows, before);
            EXPECT_LE(rows - before, 300 / 50) << bandRows;
            before = rows;
        }
    }
}

TEST_F(PictureTest, ACancelledOrFailedPictureLeavesNoFile) {
    std::atomic<bool> cancel{true};
    std::string reason;
    EXPECT_FALSE(WritePicture(Request(64, 64), dir.Path() / "a.png",
                              AtomicFile::Fifo::kRefuseWithoutReader, &cancel, {}, reason));
    EXPECT_EQ(reason, "cancelled");
    EXPECT_FALSE(WritePicture(Request(64, 64), dir.Path() / "no" / "a.png",
                              AtomicFile::Fifo::kRefuseWithoutReader, nullptr, {}, reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_TRUE(test::Tree(dir.Path()).empty());
}

// A compressed text unpacks to far more than its file holds: past what a fractal file can be, it
// is not unpacked at all.
TEST_F(PictureTest, ATextLargerThanAnyFractalFileIsLeftPacked) {
    const ImageBuffer dot{1, 1, {0}};
    for (const std::size_t size : {kMaxTextFileBytes, kMaxTextFileBytes + 1}) {
        const PngText text{kPictureTextKeyword, std::string(size, 'a')};
        ASSERT_TRUE(WritePng(dot, dir.Path() / "dense.png", {&text, 1}));
        const PngTextRead read =
            ReadPngText(dir.Path() / "dense.png", kPictureTextKeyword, kMaxTextFileBytes);
        EXPECT_EQ(read.status == PngTextRead::Status::kFound, size <= kMaxTextFileBytes) << size;
    }
}

}  // namespace
}  // namespace zolt

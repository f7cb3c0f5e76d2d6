#include "shell/selection_marker.h"

#include <gtest/gtest.h>

#include <vector>

namespace zolt {
namespace {

constexpr Pixel kGround = MakePixel(1, 2, 3);

struct Canvas {
    int width;
    int height;
    std::vector<Pixel> pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), kGround) {}
    PixelTarget Target() { return {pixels.data(), width, height, width}; }
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

TEST(SelectionMarkerTest, FrameAndCrosses) {
    Canvas canvas(40, 30);
    DrawSelectionMarker(canvas.Target(), {5, 5, 30, 20});
    // The frame lies along the inside of the box: right and bottom edges exclusive.
    EXPECT_EQ(canvas.At(5, 5), kWhite);
    EXPECT_EQ(canvas.At(34, 5), kWhite);
    EXPECT_EQ(canvas.At(5, 24), kWhite);
    EXPECT_EQ(canvas.At(34, 24), kWhite);
    EXPECT_EQ(canvas.At(35, 5), kGround);
    EXPECT_EQ(canvas.At(5, 25), kGround);
    // Centre (20, 15): the white cross reaches 30/15 = 2 across and 20/15 = 1 up and down;
    // the black one 30/60 = 0 and 20/60 = 0, so it is the centre pixel alone.
    EXPECT_EQ(canvas.At(18, 15), kWhite);
    EXPECT_EQ(canvas.At(22, 15), kWhite);
    EXPECT_EQ(canvas.At(17, 15), kGround);
    EXPECT_EQ(canvas.At(20, 14), kWhite);
    EXPECT_EQ(canvas.At(20, 16), kWhite);
    EXPECT_EQ(canvas.At(20, 13), kGround);
    EXPECT_EQ(canvas.At(20, 15), kBlack);
    EXPECT_EQ(canvas.At(21, 15), kWhite);
    // Inside, the image shows through.
    EXPECT_EQ(canvas.At(10, 10), kGround);
}

TEST(SelectionMarkerTest, BlackCrossOfALargeBox) {
    Canvas canvas(200, 200);
    DrawSelectionMarker(canvas.Target(), {0, 0, 120, 120});
    // Centre (60, 60): black reaches 2, white 8.
    EXPECT_EQ(canvas.At(58, 60), kBlack);
    EXPECT_EQ(canvas.At(62, 60), kBlack);
    EXPECT_EQ(canvas.At(57, 60), kWhite);
    EXPECT_EQ(canvas.At(52, 60), kWhite);
    EXPECT_EQ(canvas.At(51, 60), kGround);
    EXPECT_EQ(canvas.At(60, 58), kBlack);
    EXPECT_EQ(canvas.At(60, 68), kWhite);
}

TEST(SelectionMarkerTest, ClippedToTheTarget) {
    Canvas canvas(20, 20);
    DrawSelectionMarker(canvas.Target(), {10, 12, 30, 40});
    EXPECT_EQ(canvas.At(19, 12), kWhite);
    EXPECT_EQ(canvas.At(10, 19), kWhite);
    DrawSelectionMarker(canvas.Target(), {-50, -50, 20, 20});
    DrawSelectionMarker({}, {0, 0, 10, 10});
}

}  // namespace
}  // namespace zolt

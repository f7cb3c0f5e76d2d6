#include "surface/selection_geometry.h"

#include <gtest/gtest.h>

#include "engine/deep_view.h"

namespace zolt {
namespace {

// An 800 x 600 view (ratio 0.75) showing a 400 x 300 image centred at (200, 150).
constexpr ViewSize kView{800, 600};
const ImageInfo kImage{true, 400, 300, 256};

SelectionBox Select(int x0, int y0, int x, int y, ViewSize view = kView,
                    const ImageInfo& image = kImage) {
    const SelectionFrame frame = FrameAtPress(x0, y0, view, image);
    const auto box = SelectionRect(frame, x, y, view);
    EXPECT_TRUE(box.has_value());
    return box.value_or(SelectionBox{});
}

TEST(SelectionFrameTest, PlacesTheImageAsThePainterDoes) {
    const SelectionFrame centred = FrameAtPress(5, 6, kView, kImage);
    EXPECT_EQ(centred.ox, 200);
    EXPECT_EQ(centred.oy, 150);
    EXPECT_EQ(centred.vw, 400);
    EXPECT_EQ(centred.vh, 300);

    const SelectionFrame larger = FrameAtPress(5, 6, {300, 200}, kImage);
    EXPECT_EQ(larger.ox, 0);
    EXPECT_EQ(larger.oy, 0);
    EXPECT_EQ(larger.vw, 300);
    EXPECT_EQ(larger.vh, 200);
    EXPECT_EQ(larger.iw, 400);
    EXPECT_EQ(larger.ih, 300);

    // Without an image the whole view stands in for it.
    const SelectionFrame none = FrameAtPress(5, 6, kView, ImageInfo{});
    EXPECT_EQ(none.ox, 0);
    EXPECT_EQ(none.vw, 800);
    EXPECT_EQ(none.iw, 800);
    EXPECT_EQ(none.ih, 600);
}

TEST(SelectionRectTest, ClickWithoutMovementGivesTheMinimumWidth) {
    EXPECT_EQ(Select(250, 200, 250, 200), (SelectionBox{250, 200, 10, 7}));
    // Left of the image it starts at the image's left edge.
    EXPECT_EQ(Select(150, 200, 150, 200), (SelectionBox{200, 200, 10, 7}));
}

TEST(SelectionRectTest, DirectionsOfTheDrag) {
    // Down and to the right: the press is the top-left corner.
    EXPECT_EQ(Select(250, 200, 330, 260), (SelectionBox{250, 200, 80, 60}));
    // Upwards: the pointer's row is the top; the vertical distance plays no part.
    EXPECT_EQ(Select(250, 300, 330, 220), (SelectionBox{250, 220, 80, 60}));
    EXPECT_EQ(Select(250, 300, 330, 299), (SelectionBox{250, 299, 80, 60}));
    // To the left: from the pointer to the press column.
    EXPECT_EQ(Select(330, 200, 250, 260), (SelectionBox{250, 200, 80, 60}));
}

TEST(SelectionRectTest, StaysWithinTheVisibleImage) {
    // Past the right edge the width stops at the image.
    EXPECT_EQ(Select(500, 200, 700, 210), (SelectionBox{500, 200, 100, 75}));
    // Against the bottom the height stops there and the width follows; dragged to the right
    // the left edge stays, dragged to the left the right edge stays at the press column.
    EXPECT_EQ(Select(250, 400, 400, 410), (SelectionBox{250, 400, 66, 50}));
    EXPECT_EQ(Select(400, 400, 250, 410), (SelectionBox{334, 400, 66, 50}));
    // Above and left of the image the rectangle starts at its corner.
    EXPECT_EQ(Select(300, 200, 100, 50), (SelectionBox{200, 150, 100, 75}));
}

TEST(SelectionRectTest, ImageLargerThanTheViewIsClampedToTheView) {
    const ImageInfo big{true, 1000, 800, 256};
    EXPECT_EQ(Select(700, 100, 900, 120, kView, big), (SelectionBox{700, 100, 100, 75}));
}

TEST(SelectionRectTest, MinimumHeightInAWideView) {
    // Ratio 0.25: 20 pixels across would be 5 high, so the height is raised to 10 and the
    // width follows it; to the left, the right edge stays at the press column.
    const ViewSize wide{800, 200};
    const ImageInfo image{true, 800, 200, 256};
    EXPECT_EQ(Select(100, 50, 120, 60, wide, image), (SelectionBox{100, 50, 40, 10}));
    EXPECT_EQ(Select(120, 50, 100, 60, wide, image), (SelectionBox{80, 50, 40, 10}));
}

TEST(SelectionRectTest, PressBelowTheImageStartsBelowIt) {
    const SelectionBox box = Select(250, 500, 260, 520);
    EXPECT_EQ(box.width, 10);
    EXPECT_EQ(box.top, 500);
    EXPECT_GT(box.top, 150 + 300);
}

TEST(SelectionRectTest, NothingWithoutAnArea) {
    // A view of width 0 at the press.
    const SelectionFrame empty = FrameAtPress(0, 0, {0, 600}, ImageInfo{});
    EXPECT_FALSE(SelectionRect(empty, 10, 10, {0, 600}).has_value());
    // A view that lost its width or height since the press: no ratio to keep.
    const SelectionFrame frame = FrameAtPress(250, 200, kView, kImage);
    EXPECT_FALSE(SelectionRect(frame, 300, 250, {0, 600}).has_value());
    EXPECT_FALSE(SelectionRect(frame, 300, 250, {800, 0}).has_value());
}

TEST(SelectionRectTest, ExtremeProportionsDoNotOverflow) {
    const ViewSize sliver{1, 100000};
    const SelectionFrame frame = FrameAtPress(0, 0, sliver, ImageInfo{});
    const auto box = SelectionRect(frame, 0, 0, sliver);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->width, 10);
    EXPECT_EQ(box->height, 1000000);
}

TEST(ZoomedNumbersTest, MapsTheBoxOntoTheImagesRegion) {
    const SelectionFrame frame = FrameAtPress(300, 225, kView, kImage);
    const GenerationSnapshot source{-2.0, 2.0, -1.5, 1.5, 300, 50.0};
    const auto zoomed = ZoomedNumbers(frame, {300, 225, 100, 75}, source, kView);
    ASSERT_TRUE(zoomed.has_value());
    EXPECT_DOUBLE_EQ(zoomed->Pstart, -1.0);
    EXPECT_DOUBLE_EQ(zoomed->Pfinish, 0.0);
    EXPECT_DOUBLE_EQ(zoomed->Qstart, -0.75);
    // Qfinish keeps the pixels square in the view as it is now.
    EXPECT_DOUBLE_EQ(zoomed->Qfinish, 0.0);
    EXPECT_DOUBLE_EQ(ZoomedNumbers(frame, {300, 225, 100, 75}, source, {400, 600})->Qfinish, 0.75);
    EXPECT_EQ(zoomed->Iterations, 300);
    EXPECT_DOUBLE_EQ(zoomed->Escape, 50.0);
}

TEST(ZoomedNumbersTest, NothingForAnEmptyImage) {
    SelectionFrame frame;
    EXPECT_FALSE(ZoomedNumbers(frame, {0, 0, 10, 7}, {}, kView).has_value());
}

TEST(ZoomedAboutTest, InAndOutAboutAPointKeepsItUnderThePointer) {
    // Powers of two throughout, so the arithmetic is exact: pixel 128 of 512 shows -1 + 0.25 i.
    const ViewSize view{512, 256};
    const ImageInfo image{true, 512, 256, 256};
    const GenerationSnapshot home{-2.0, 2.0, -0.75, 1.25, 100, 200.0};
    const auto pointAt = [](const GenerationSnapshot& s, int x, int y) {
        const double dx = (s.Pfinish - s.Pstart) / 512;
        return std::pair{x * dx + s.Pstart, y * dx + s.Qstart};
    };
    const auto in = ZoomedAbout(FrameAtPress(128, 128, view, image), 128, 128, 2.0, home, view);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, (GenerationSnapshot{-1.5, 0.5, -0.25, 0.75, 100, 200.0}));
    EXPECT_EQ(pointAt(*in, 128, 128), pointAt(home, 128, 128));
    const auto out = ZoomedAbout(FrameAtPress(128, 128, view, image), 128, 128, 0.5, *in, view);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, home);

    // An image smaller than the view sits in its middle: the pixel under the pointer is the
    // image's, and the new image fills the view.
    const ViewSize wider{1024, 256};
    const auto centred =
        ZoomedAbout(FrameAtPress(384, 128, wider, image), 384, 128, 2.0, home, wider);
    ASSERT_TRUE(centred);
    const double dx = (centred->Pfinish - centred->Pstart) / 1024;
    EXPECT_EQ(384 * dx + centred->Pstart, -1.0);
    EXPECT_FALSE(ZoomedAbout({}, 1, 1, 2.0, home, view));
}

// Views finer than doubles: zooms compute on their exact corners, and keep them while the result
// is deep.
TEST(ZoomedNumbersTest, DeepViewsZoomOnTheirExactCorners) {
    const ViewSize view{512, 256};
    const ImageInfo image{true, 512, 256, 256};
    // Pixels 1e-32 apart from -0.75 + 0.1 i: all the doubles of the view are equal.
    GenerationSnapshot deep{-0.75, -0.75, 0.1, 0.1, 1000, 4.0};
    deep.Deep = {"-0.75", "-0.74999999999999999999999999999488", "0.1"};
    const auto same = [](const DeepCoordinates& got, const DeepCorners& want) {
        return CornersWithin({want.pstart, want.pfinish, want.qstart, {}},
                             {got.Pstart, got.Pfinish, got.Qstart, {}}, 1e-12);
    };

    const auto in =
        ZoomedNumbers(FrameAtPress(128, 64, view, image), {128, 64, 128, 64}, deep, view);
    ASSERT_TRUE(in);
    EXPECT_TRUE(same(in->Deep, {"-0.74999999999999999999999999999872",
                                "-0.74999999999999999999999999999744",
                                "0.10000000000000000000000000000064",
                                {}}))
        << in->Deep.Pstart << " " << in->Deep.Pfinish << " " << in->Deep.Qstart;
    EXPECT_EQ(in->Iterations, 1000);
    EXPECT_EQ(in->Pstart, -0.75);

    const auto wheelIn = ZoomedAbout(FrameAtPress(0, 0, view, image), 0, 0, 4.0, deep, view);
    ASSERT_TRUE(wheelIn);
    EXPECT_TRUE(same(wheelIn->Deep, {"-0.75", "-0.74999999999999999999999999999872", "0.1", {}}));

    // Out to where doubles resolve again: the exact corners go, their nearest doubles stay.
    const double factor = 0x1p-80;
    const auto out = ZoomedAbout(FrameAtPress(256, 128, view, image), 256, 128, factor, deep, view);
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->Deep.empty());
    const double step = 1e-32 / factor;
    EXPECT_DOUBLE_EQ(out->Pstart, -0.75 - 256 * step);
    EXPECT_DOUBLE_EQ(out->Pfinish, -0.75 + 256 * step);
    EXPECT_DOUBLE_EQ(out->Qstart, 0.1 - 128 * step);
}

TEST(ZoomedAboutTest, AWheelPastDoublesGoesOnInExactArithmetic) {
    const ViewSize view{512, 256};
    const ImageInfo image{true, 512, 256, 256};
    // Pixels 2^-40 apart: doubles resolve them, and a zoom by 2^8 still; 2^12 does not.
    const double step = 0x1p-40;
    const GenerationSnapshot shallow{-0.75, -0.75 + 512 * step, 0.0, 256 * step, 100, 4.0};
    for (const auto& [factor, deep] : {std::pair{0x1p8, false}, std::pair{0x1p12, true}}) {
        const auto zoomed =
            ZoomedAbout(FrameAtPress(0, 0, view, image), 0, 0, factor, shallow, view);
        ASSERT_TRUE(zoomed);
        EXPECT_EQ(zoomed->Deep.empty(), !deep) << factor;
        EXPECT_EQ(zoomed->Pstart, -0.75);
        EXPECT_EQ(zoomed->Pfinish, -0.75 + 512 * step / factor);
        EXPECT_EQ(zoomed->Qstart, 0.0);
    }
}

}  // namespace
}  // namespace zolt

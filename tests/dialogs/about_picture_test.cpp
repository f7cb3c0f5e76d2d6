#include "dialogs/about_picture.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(AboutPicture, ShowsTheSetInBlackOnColours) {
    const ImageBuffer picture = RenderAboutPicture(64);
    ASSERT_EQ(picture.width, 64);
    ASSERT_EQ(picture.height, 64);
    // The main cardioid lies inside the set; the corners are far outside it.
    EXPECT_EQ(picture.At(40, 32), kBlack);
    EXPECT_NE(picture.At(0, 0), kBlack);
    EXPECT_NE(picture.At(63, 63), kBlack);
    // Symmetric about the real axis.
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(picture.At(x, 10), picture.At(x, 53)) << x;
}

TEST(AboutPicture, ADenserPictureIsTheSameShape) {
    const ImageBuffer small = RenderAboutPicture(64);
    const ImageBuffer dense = RenderAboutPicture(128);
    EXPECT_EQ(dense.At(81, 65) == kBlack, small.At(40, 32) == kBlack);
    EXPECT_TRUE(RenderAboutPicture(0).pixels.empty());
}

}  // namespace
}  // namespace zolt

#include "dialogs/about_picture.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(AboutPicture, ShowsTheSetInBlackOnColoursAtAnyDensity) {
    const ImageBuffer picture = RenderAboutPicture(64);
    ASSERT_EQ(picture.width, 64);
    ASSERT_EQ(picture.height, 64);
    // The main cardioid lies inside the set; the corners are far outside it.
    EXPECT_EQ(picture.At(40, 32), kBlack);
    EXPECT_NE(picture.At(0, 0), kBlack);
    // Symmetric about the real axis.
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(picture.At(x, 10), picture.At(x, 53)) << x;
    // Twice as dense for a high-density screen, the same shape.
    EXPECT_EQ(RenderAboutPicture(128).At(81, 65), kBlack);
    EXPECT_TRUE(RenderAboutPicture(0).pixels.empty());
}

}  // namespace
}  // namespace zolt

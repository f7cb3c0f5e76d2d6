#include "surface/window_placement.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(CentreOverTest, CentresAndTruncatesTowardZero) {
    EXPECT_EQ(CentreOver({0, 0, 1024, 768}, {20, 20, 760, 710}), (WindowRect{132, 29, 760, 710}));
    // 101 pixels wider than the reference: -101 / 2 is -50.
    EXPECT_EQ(CentreOver({0, 0, 100, 100}, {0, 0, 201, 50}).x, -50);
    // Over a reference that does not start at the origin (a second screen, a parent window).
    EXPECT_EQ(CentreOver({1920, 0, 1280, 1024}, {0, 0, 760, 710}),
              (WindowRect{2180, 157, 760, 710}));
}

TEST(ClampToScreenTest, AWindowWithinTheScreenStays) {
    EXPECT_FALSE(ClampToScreen({132, 29, 760, 710}, {0, 0, 1024, 768}).has_value());
    EXPECT_FALSE(ClampToScreen({0, 0, 1024, 768}, {0, 0, 1024, 768}).has_value());
}

TEST(ClampToScreenTest, ALargerWindowEndsTheScreensSize) {
    // Centred first, it hangs over every edge of a 640 x 480 screen.
    const WindowRect centred = CentreOver({0, 0, 640, 480}, {0, 0, 760, 710});
    const auto clamped = ClampToScreen(centred, {0, 0, 640, 480});
    ASSERT_TRUE(clamped.has_value());
    EXPECT_EQ(*clamped, (WindowRect{0, 0, 640, 480}));
    EXPECT_FALSE(ClampToScreen(*clamped, {0, 0, 640, 480}).has_value());
}

TEST(ClampToScreenTest, OnlyTheDimensionThatReachesOutShrinks) {
    const auto clamped = ClampToScreen({132, 20, 760, 710}, {0, 0, 1024, 600});
    ASSERT_TRUE(clamped.has_value());
    EXPECT_EQ(*clamped, (WindowRect{132, 10, 760, 580}));
}

// A dialog beside the window hides none of it where the screen allows, and never leaves the
// screen: right of the window, else left of it, else against the screen's right edge; its top
// moved up when it would reach below the screen.
TEST(BesideWindowTest, RightThenLeftThenTheScreensEdge) {
    const WindowRect screen{0, 0, 1920, 1080};
    const WindowRect dialog{0, 0, 470, 560};
    EXPECT_EQ(BesideWindow({100, 50, 760, 710}, dialog, screen), (WindowRect{860, 50, 470, 560}));
    EXPECT_EQ(BesideWindow({1000, 50, 760, 710}, dialog, screen), (WindowRect{530, 50, 470, 560}));
    EXPECT_EQ(BesideWindow({0, 700, 1920, 380}, dialog, screen), (WindowRect{1450, 520, 470, 560}));
    // A second screen, and a dialog taller than the screen: its top stays on the screen.
    EXPECT_EQ(BesideWindow({1920, 0, 1280, 1024}, {0, 0, 470, 1200}, {1920, 0, 1920, 1080}),
              (WindowRect{3200, 0, 470, 1200}));
}

}  // namespace
}  // namespace zolt

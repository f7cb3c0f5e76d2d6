#include "movie/frame_blend.h"

#include <gtest/gtest.h>

#include <cmath>

#include "colour/colour_space.h"

namespace zolt {
namespace {

// Frames drawn from two keyframes of a smooth pattern show the pattern where the frame's own
// pixels lie: the keyframes are scaled about the right centre, with their pixels in the right
// places, whatever their samples a pixel.
TEST(DrawFrame, PutsBothKeyframesWhereTheFramesPixelsLie) {
    constexpr int kWidth = 96;
    constexpr int kHeight = 54;
    // The pattern's intensity at a point, in the inner keyframe's pixels from the centre.
    const auto pattern = [](double x, double y) {
        return 0.3 + 0.2 * std::sin(0.1 * x + 0.3) * std::cos(0.08 * y);
    };
    for (int samples : {1, 3}) {
        const double offset = (samples - 1) / (2.0 * samples);
        // A keyframe `scale` inner pixels a pixel.
        const auto keyframe = [&](double scale) {
            ImageBuffer image{kWidth, kHeight, {}};
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const std::uint8_t v = LevelOfLinear(
                        static_cast<float>(pattern((x + offset - kWidth / 2.0) * scale,
                                                   (y + offset - kHeight / 2.0) * scale)));
                    image.pixels.push_back(MakePixel(v, v, v));
                }
            return image;
        };
        const ImageBuffer inner = keyframe(1.0);
        const ImageBuffer outer = keyframe(2.0);
        ImageBuffer frame;
        DrawFrame(inner, &outer, 0.0, samples, frame);
        EXPECT_EQ(frame, inner);
        for (double fraction : {0.05, 0.3, 0.5, 0.7, 0.95}) {
            DrawFrame(inner, &outer, fraction, samples, frame);
            const double scale = std::exp2(fraction);
            double worst = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const double expected = pattern((x + offset - kWidth / 2.0) * scale,
                                                    (y + offset - kHeight / 2.0) * scale);
                    const double shown = LinearOfLevel(static_cast<std::uint8_t>(frame.At(x, y)));
                    worst = std::max(worst, std::fabs(shown - expected));
                }
            // What the keyframes' and the frame's 8 bits allow; a keyframe half a pixel out of
            // place gives 0.02, a third of a pixel 0.01.
            EXPECT_LE(worst, 0.0075) << "fraction " << fraction << ", samples " << samples;
        }
    }
}

}  // namespace
}  // namespace zolt

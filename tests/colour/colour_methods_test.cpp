#include "colour/colour_methods.h"

#include <gtest/gtest.h>

#include "colour/gradient.h"
#include "engine/render_pass.h"

namespace zolt {
namespace {

constexpr int kIterations = 1000;

std::vector<Pixel> Palette16() {
    Palette palette;
    BuildPalette(16, palette);
    return BuildLogicalPalette(256, palette);
}

// Shades one point.
Pixel Shade(const SampleShader& shader, int count, float fraction = 0, float dex = 0,
            float dey = 0) {
    Pixel pixel = 0;
    shader.Shade({&count, &fraction, &dex, &dey, 1}, &pixel);
    return pixel;
}

// The classic colouring's bands are the count rule's, so recolouring an image from its counts
// gives the pixels its passes gave, in colour and in monochrome, with any period.
TEST(ColourMethods, ClassicBandsAreTheCountRule) {
    const std::vector<Pixel> palette = Palette16();
    for (const auto& [monochrome, modulation] :
         {std::pair{false, 2}, {true, 2}, {true, 7}, {true, 0}, {true, 100000}}) {
        const ShadingContext context{kIterations, monochrome, modulation,
                                     monochrome ? std::vector<Pixel>{} : palette};
        const auto shader = MakeShader(Colouring{}, context);
        const ColourRule rule(monochrome, modulation, kIterations, context.palette);
        for (int n = 0; n <= kIterations + 1; ++n)
            ASSERT_EQ(Shade(*shader, n), rule(n)) << monochrome << " " << modulation << " " << n;
    }
    EXPECT_EQ(ShaderFor(Colouring{}, {}), nullptr);
}

// A map's entries colour the counts one for one, whatever the repeat; the offset moves them by
// whole entries; the interior has its own colour.
TEST(ColourMethods, BandsOfAMapTakeItsEntriesInTurn) {
    Colouring colouring;
    colouring.gradient = {GradientKind::Entries, "", {{0, {1, 0, 0}}, {0.5, {2, 0, 0}}}, {}};
    colouring.repeat = 7.5;
    colouring.offset = 0.5;
    colouring.interior = {9, 9, 9};
    const auto shader = MakeShader(colouring, {kIterations});
    EXPECT_EQ(Shade(*shader, 10), MakePixel(2, 0, 0));
    EXPECT_EQ(Shade(*shader, 11), MakePixel(1, 0, 0));
    EXPECT_EQ(Shade(*shader, kIterations), MakePixel(9, 9, 9));
}

// Smooth: the colour follows the continuous count, so a count with a fraction of -1 is coloured
// as the count before it, and a pass spans `repeat` counts.
TEST(ColourMethods, SmoothColoursFollowTheContinuousCount) {
    Colouring colouring;
    colouring.method = ColourMethod::Smooth;
    colouring.gradient = GradientPresets()[1];
    colouring.repeat = 40;
    const auto shader = MakeShader(colouring, {kIterations});
    EXPECT_EQ(shader->Needs(), SampleLevel::Fraction);
    EXPECT_EQ(Shade(*shader, 10, -1.0f), Shade(*shader, 9, 0.0f));
    EXPECT_EQ(Shade(*shader, 12, -0.5f), Shade(*shader, 52, -0.5f));
    EXPECT_NE(Shade(*shader, 12, -0.5f), Shade(*shader, 22, -0.5f));
}

// Distance: ink (the interior colour) on the boundary, the smooth colour beyond the thickness,
// which is measured in the picture's pixels however many samples a pixel takes.
TEST(ColourMethods, DistanceInksTheBoundary) {
    Colouring colouring;
    colouring.method = ColourMethod::Distance;
    colouring.gradient = GradientPresets()[5];
    colouring.thickness = 2;
    Colouring smooth = colouring;
    smooth.method = ColourMethod::Smooth;
    for (const double scale : {1.0, 3.0}) {
        const auto shader = MakeShader(colouring, {kIterations, false, 2, {}, scale});
        const auto plain = MakeShader(smooth, {kIterations});
        const auto far = static_cast<float>(2 * scale);
        EXPECT_EQ(Shade(*shader, 30, -0.5f, 0, 0), kBlack);
        EXPECT_EQ(Shade(*shader, 30, -0.5f, 0, far), Shade(*plain, 30, -0.5f));
        EXPECT_NE(Shade(*shader, 30, -0.5f, far / 2, 0), Shade(*plain, 30, -0.5f));
        EXPECT_NE(Shade(*shader, 30, -0.5f, far / 2, 0), kBlack);
    }
}

// Relief: a flat surface (the estimate far away) keeps the smooth colour; slopes facing the
// light are brighter than slopes facing away.
TEST(ColourMethods, ReliefLightsSlopesFromTheAngle) {
    Colouring colouring;
    colouring.method = ColourMethod::Relief;
    colouring.gradient = GradientPresets()[7];  // greys
    colouring.angle = 0;                        // from the right
    Colouring smooth = colouring;
    smooth.method = ColourMethod::Smooth;
    const auto shader = MakeShader(colouring, {kIterations});
    const auto plain = MakeShader(smooth, {kIterations});
    EXPECT_EQ(Shade(*shader, 30, -0.3f, 1e30f, 0), Shade(*plain, 30, -0.3f));
    // The estimate points away from the set: the slope there rises towards the set.
    const Pixel facingRight = Shade(*shader, 30, -0.3f, 0.5f, 0);
    const Pixel facingLeft = Shade(*shader, 30, -0.3f, -0.5f, 0);
    EXPECT_GT(facingRight & 0xff, facingLeft & 0xff);
}

TEST(ColourMethods, NamesAndSamples) {
    for (const ColourMethod method :
         {ColourMethod::Bands, ColourMethod::Smooth, ColourMethod::Distance, ColourMethod::Relief})
        EXPECT_EQ(MethodNamed(MethodName(method)), method);
    EXPECT_FALSE(MethodNamed("Smooth"));
    Colouring relief;
    relief.method = ColourMethod::Relief;
    EXPECT_EQ(SamplesFor(relief), SampleLevel::Distance);
    EXPECT_EQ(SamplesFor({}), SampleLevel::Counts);
}

}  // namespace
}  // namespace zolt

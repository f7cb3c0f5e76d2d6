#include "colour/gradient.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace zolt {
namespace {

Gradient Stops(std::initializer_list<GradientStop> stops) {
    return {GradientKind::Stops, "", stops, {}};
}

Pixel PixelOfRgb(Rgb rgb) {
    return MakePixel(rgb.red, rgb.green, rgb.blue);
}

GradientSegment Segment(SegmentColour left, SegmentColour right, SegmentBlend blend,
                        SegmentModel model, double middle = 0.5) {
    return {0.0, middle, 1.0, left, right, blend, model};
}

TEST(GradientTable, StopsAreMetAndTheGradientRepeats) {
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const GradientTable table(Stops({{0.25, red}, {0.5, blue}, {0.5, white}}), {});
    EXPECT_EQ(table.At(0.25), PixelOfRgb(red));
    // Two stops at one place make a hard edge: the later one's colour from there on.
    EXPECT_EQ(table.At(0.5), PixelOfRgb(white));
    EXPECT_NE(table.At(0.5 - 1.0 / GradientTable::kSize), PixelOfRgb(white));
    // Past the last stop the colour runs on to the first, one pass later.
    EXPECT_EQ(table.At(1.25), PixelOfRgb(red));
    EXPECT_EQ(table.At(-0.75), PixelOfRgb(red));
    EXPECT_EQ(table.At(0.0), table.At(1.0));
    // Halfway from white (0.5) round to red (1.25), in Oklab: light, and no grey.
    const LinearRgb mid = table.Linear(0.875);
    EXPECT_GT(mid.red, mid.green);
    EXPECT_GT(mid.red, 0.5f);
    EXPECT_TRUE(table.Entries().empty());
    EXPECT_EQ(table.At(std::numeric_limits<double>::quiet_NaN()), table.At(0.0));
}

TEST(GradientTable, PalettesAndMapsKeepTheirEntries) {
    const std::vector<Pixel> palette = {kBlack, kWhite, MakePixel(10, 20, 30)};
    const GradientTable classic(Gradient{}, palette);
    EXPECT_EQ(std::vector<Pixel>(classic.Entries().begin(), classic.Entries().end()), palette);
    EXPECT_EQ(classic.At(1.0 / 3), kWhite);
    const GradientTable map({GradientKind::Entries, "", {{0.0, {1, 2, 3}}, {0.5, {4, 5, 6}}}, {}},
                            palette);
    ASSERT_EQ(map.Entries().size(), 2u);
    EXPECT_EQ(map.Entries()[1], MakePixel(4, 5, 6));
}

// GIMP's blendings and colour models: the middle's colour and the way round the hue.
TEST(GradientTable, SegmentsBlendAsGimpGradientsSay) {
    const SegmentColour black{0, 0, 0, 1}, white{1, 1, 1, 1}, red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    const auto at = [](const GradientSegment& s, double position) {
        return GradientColour({GradientKind::Segments, "", {}, {s}}, {}, position);
    };
    const float half = LinearOfLevel(128);  // 0.5 encoded, blended as the file's numbers
    for (const SegmentBlend blend :
         {SegmentBlend::Linear, SegmentBlend::Curved, SegmentBlend::Sine}) {
        EXPECT_NEAR(at(Segment(black, white, blend, SegmentModel::Rgb, 0.3), 0.3).red, half, 0.01);
    }
    // Spheres: a quarter circle up, or down.
    EXPECT_NEAR(
        at(Segment(black, white, SegmentBlend::SphereIncreasing, SegmentModel::Rgb), 0.5).red,
        SrgbToLinear(std::sqrt(0.75)), 1e-6);
    EXPECT_NEAR(
        at(Segment(black, white, SegmentBlend::SphereDecreasing, SegmentModel::Rgb), 0.5).red,
        SrgbToLinear(1 - std::sqrt(0.75)), 1e-6);
    EXPECT_EQ(at(Segment(black, white, SegmentBlend::Step, SegmentModel::Rgb), 0.49).red, 0.0f);
    EXPECT_EQ(at(Segment(black, white, SegmentBlend::Step, SegmentModel::Rgb), 0.5).red, 1.0f);
    // From red to blue, the hue turns through green one way and magenta the other.
    const LinearRgb ccw =
        at(Segment(red, blue, SegmentBlend::Linear, SegmentModel::HsvCounterClockwise), 0.5);
    const LinearRgb cw =
        at(Segment(red, blue, SegmentBlend::Linear, SegmentModel::HsvClockwise), 0.5);
    EXPECT_EQ(PixelOf(ccw), MakePixel(0, 255, 0));
    EXPECT_EQ(PixelOf(cw), MakePixel(255, 0, 255));
}

TEST(GradientEdits, AddMoveAndDeleteStops) {
    const Rgb a{1, 1, 1}, b{2, 2, 2}, c{3, 3, 3};
    const Gradient two = Stops({{0.0, a}, {1.0, b}});
    const GradientEdit added = AddStop(two, 0.5, c);
    ASSERT_TRUE(added.gradient) << added.error;
    EXPECT_EQ(added.index, 1);
    EXPECT_EQ(added.gradient->stops[1].colour, c);
    const GradientEdit moved = MoveStop(*added.gradient, 1, 1.0);
    ASSERT_TRUE(moved.gradient);
    EXPECT_EQ(moved.index, 2);  // after the stop already at 1
    EXPECT_EQ(moved.gradient->stops, (std::vector<GradientStop>{{0.0, a}, {1.0, b}, {1.0, c}}));
    const GradientEdit deleted = DeleteStop(*moved.gradient, 0);
    ASSERT_TRUE(deleted.gradient);
    EXPECT_EQ(deleted.gradient->stops.size(), 2u);
    const GradientEdit recoloured = RecolourStop(two, 1, c);
    ASSERT_TRUE(recoloured.gradient);
    EXPECT_EQ(recoloured.gradient->stops[1].colour, c);

    Gradient full = two;
    full.stops.assign(kMaxGradientStops, {0.5, a});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const GradientEdit refused[] = {
        AddStop(two, 1.5, c),  AddStop(two, nan, c),    AddStop(full, 0.5, c),
        MoveStop(two, 2, 0.5), MoveStop(two, 0, -0.1),  DeleteStop(two, 0),
        DeleteStop(two, -1),   RecolourStop(two, 5, c), AddStop(Gradient{}, 0.5, c),
    };
    for (const GradientEdit& edit : refused) {
        EXPECT_FALSE(edit.gradient);
        EXPECT_FALSE(edit.error.empty());
    }
}

TEST(GradientEdits, EveryKindBecomesStopsForTheEditor) {
    const std::vector<Pixel> palette = {kBlack, kWhite};
    const Gradient classic = EditableStops(Gradient{}, palette);
    EXPECT_EQ(classic.kind, GradientKind::Stops);
    EXPECT_EQ(classic.stops, (std::vector<GradientStop>{{0.0, {0, 0, 0}}, {0.5, {255, 255, 255}}}));
    // Segments: their ends, with both colours where one jumps to the next.
    const SegmentColour black{0, 0, 0, 1}, white{1, 1, 1, 1};
    const Gradient segments{
        GradientKind::Segments,
        "s",
        {},
        {{0.0, 0.25, 0.5, black, white, SegmentBlend::Linear, SegmentModel::Rgb},
         {0.5, 0.75, 1.0, black, black, SegmentBlend::Linear, SegmentModel::Rgb}}};
    const Gradient stops = EditableStops(segments, {});
    EXPECT_EQ(stops.stops.size(), 4u);
    EXPECT_EQ(stops.name, "s");
    EXPECT_TRUE(GradientProblem(stops).empty());
}

TEST(GradientPresets, AreUsableAndClassicComesFirst) {
    const std::vector<Gradient>& presets = GradientPresets();
    ASSERT_GE(presets.size(), 8u);
    EXPECT_EQ(presets[0], Gradient{});
    std::set<std::string> names;
    for (const Gradient& preset : presets) {
        EXPECT_TRUE(GradientProblem(preset).empty()) << preset.name;
        names.insert(preset.name);
    }
    EXPECT_EQ(names.size(), presets.size());
}

TEST(ColouringProblem, RefusesWhatCannotColour) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(ColouringProblem({}).empty());
    std::vector<Colouring> bad(10);
    bad[0].repeat = 0;
    bad[1].repeat = nan;
    bad[2].offset = inf;
    bad[3].thickness = 0;
    bad[4].strength = -1;
    bad[5].angle = nan;
    bad[6].gradient = Stops({{0.5, {}}, {0.25, {}}});  // out of order
    bad[7].gradient = Stops({});
    bad[8].gradient = {GradientKind::Segments,
                       "",
                       {},
                       {Segment({}, {}, SegmentBlend::Linear, SegmentModel::Rgb, 1.5)}};
    bad[9].gradient = Stops({{0.0, {}}});
    bad[9].gradient.name = "a\nb";
    for (const Colouring& colouring : bad)
        EXPECT_FALSE(ColouringProblem(colouring).empty());
    EXPECT_EQ(GradientName(std::string(100, 'x') + "\t"), std::string(kMaxGradientName, 'x'));
}

}  // namespace
}  // namespace zolt

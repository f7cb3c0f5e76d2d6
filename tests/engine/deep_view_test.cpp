#include "engine/deep_view.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace zolt {
namespace {

TEST(DecimalText, AcceptsOnlyTheDecimalShape) {
    for (const char* good : {"0", "-0", "+1", "1.", ".5", "-12.5e-3", "1E+7", "007.250",
                             "0.000000000000000000000000000000000000000000001"})
        EXPECT_TRUE(IsDecimalText(good)) << good;
    for (const char* bad : {"", "-", ".", "e5", "1e", "1e+", "1.2.3", " 1", "1 ", "1,5", "0x1p3",
                            "inf", "nan", "1e5x", "--1", "1e--5"})
        EXPECT_FALSE(IsDecimalText(bad)) << bad;
}

TEST(DecimalText, RefusesAbsurdLengthsAndExponentsWithoutWorkingOnThem) {
    EXPECT_TRUE(IsDecimalText("1e" + std::to_string(kMaxDecimalMagnitude)));
    EXPECT_FALSE(IsDecimalText("1e" + std::to_string(kMaxDecimalMagnitude + 1)));
    EXPECT_TRUE(IsDecimalText("1e-" + std::to_string(kMaxDecimalMagnitude)));
    EXPECT_FALSE(IsDecimalText("1e-" + std::to_string(kMaxDecimalMagnitude + 1)));
    // The exponent's digits alone would overflow any integer.
    EXPECT_FALSE(IsDecimalText("1e-99999999999999999999999999999999999999"));
    // Digits that move the magnitude back into range are taken into account.
    EXPECT_TRUE(IsDecimalText("0.000001e-" + std::to_string(kMaxDecimalMagnitude - 6)));
    EXPECT_TRUE(IsDecimalText("1" + std::string(kMaxDecimalText - 8, '0') + "e-19990"));
    EXPECT_FALSE(IsDecimalText("1" + std::string(kMaxDecimalText, '0')));
    EXPECT_FALSE(IsDecimalText(std::string(kMaxDecimalText + 1, '0')));
}

TEST(DecimalText, ReadsTheNearestDoubleInAnyLocale) {
    // A locale with a decimal comma, when the machine has one: the text still uses the point.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                       std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c :
         {Case{"0.1", 0.1}, Case{"-2.5e-3", -2.5e-3}, Case{"1e-310", 1e-310}, Case{"-1e-400", -0.0},
          Case{"1.7976931348623157e308", 1.7976931348623157e308},
          Case{"0.30000000000000000000000000000000001", 0.3}}) {
        double out = 1.0;
        ASSERT_TRUE(DecimalToDouble(c.text, out)) << c.text;
        EXPECT_EQ(out, c.value) << c.text;
        EXPECT_EQ(std::signbit(out), std::signbit(c.value)) << c.text;
    }
    double out = 0.0;
    EXPECT_FALSE(DecimalToDouble("1e309", out));
    EXPECT_FALSE(DecimalToDouble("1,5", out));
    std::string text;
    ASSERT_TRUE(DoubleToDecimal(0.1, text));
    EXPECT_EQ(text, "0.1");
    EXPECT_FALSE(DoubleToDecimal(NAN, text));
    // Printing for a step never writes a comma either.
    EXPECT_EQ(RoundForStep("-0.5", "1e-3").value(), "-0.5");
    std::setlocale(LC_NUMERIC, before.c_str());
    if (!comma)
        std::printf("no decimal-comma locale here: checked in the C locale only\n");
}

TEST(IsDeepView, SwitchesExactlyAtTheRule) {
    // |dx| < 2^-49 * max(|coordinates|, 2^-1022); here the largest coordinate is 4, so the
    // bound is 2^-47 = 32 units of 2^-52.
    const double u = 0x1p-52;
    EXPECT_FALSE(IsDeepView(1.0, 1.0 + 32 * u, 4.0, 0.0, 1));
    EXPECT_TRUE(IsDeepView(1.0, 1.0 + 31 * u, 4.0, 0.0, 1));
    EXPECT_FALSE(IsDeepView(1.0 + 32 * u, 1.0, -4.0, 0.0, 1));  // a mirrored view
    EXPECT_TRUE(IsDeepView(1.0 + 31 * u, 1.0, 0.0, -4.0, 1));
    // The step divides by the width, in doubles.
    EXPECT_FALSE(IsDeepView(1.0 - 0x1p-37, 1.0, 1.0, 1.0, 1024));  // dx = 2^-47 > 2^-49
    EXPECT_FALSE(IsDeepView(1.0 - 0x1p-37, 1.0, 1.0, 1.0, 4096));  // dx = 2^-49, not below
    EXPECT_TRUE(IsDeepView(1.0 - 0x1p-37, 1.0, 1.0, 1.0, 4097));
    // Near zero the floor 2^-1022 takes over: the bound is 2^-1071.
    EXPECT_FALSE(IsDeepView(0.0, 0x1p-1071, 0.0, 0.0, 1));
    EXPECT_TRUE(IsDeepView(0.0, 0x1p-1072, 0.0, 0.0, 1));
    EXPECT_TRUE(IsDeepView(0.5, 0.5, 0.0, 0.0, 1));  // a view of no width in doubles
    EXPECT_FALSE(IsDeepView(0.0, 1e-30, 0.0, 0.0, 0));
    EXPECT_FALSE(IsDeepView(NAN, 1.0, 0.0, 0.0, 1));
}

TEST(RoundForStep, KeepsTenDigitsBelowTheStepAndIsStableWhenReadBack) {
    struct Case {
        const char* value;
        const char* step;
        const char* printed;
    };
    for (const Case& c : {
             Case{"-0.74364388703715870475219150611477", "1e-5", "-0.743643887037159"},
             Case{"-0.74364388703715870475219150611477", "-3e-20",
                  "-0.743643887037158704752191506115"},
             Case{"1234.5", "1", "1234.5"},
             Case{"0.00000000004", "1e-3", "4e-11"},
             Case{"-4e-14", "1e-3", "-0"},
             Case{"9.99999999999999", "1e-2", "10"},
             Case{"1.5e-500", "1e-520", "1.5e-500"},
             Case{"1.23456789012345678e-500", "1e-510", "1.23456789012345678e-500"},
             Case{"-1.23456789012345678e-500", "1e-509", "-1.23456789012345678e-500"},
         }) {
        const std::string printed = RoundForStep(c.value, c.step).value();
        EXPECT_EQ(printed, c.printed) << c.value << " at " << c.step;
        EXPECT_EQ(RoundForStep(printed, c.step).value(), printed) << c.value;
    }
    EXPECT_FALSE(RoundForStep("1", "0").has_value());
    EXPECT_FALSE(RoundForStep("1", "0.0e7").has_value());
    EXPECT_FALSE(RoundForStep("x", "1").has_value());
}

TEST(DeepViewArithmetic, ZoomsAndDerivesExactlyOnTheGrid) {
    const std::string p0 = "-0.7436438870371587047521915061147746";
    const std::string p1 = "-0.7436438870371587047521915061147646";  // 1e-32 wider
    const std::string q0 = "0.1318259042053119704931320563851";
    EXPECT_EQ(PixelStepText(p0, p1, 100).value(), "1e-34");
    EXPECT_EQ(DeriveQfinishText(p0, p1, q0, 100, 75).value(),
              "0.1318259042053119704931320563851075");
    EXPECT_FALSE(PixelStepText(p0, p0, 100).has_value());
    EXPECT_FALSE(DeriveQfinishText(p0, p1, q0, 0, 75).has_value());

    DeepView view{p0, p1, q0, 100, 75, 1000, 4.0};
    // Pixels 10..30 across and 20 down, drawn 200 pixels wide: a step of 1e-35.
    const DeepCorners zoomed = ZoomDeepView(view, 10, 20, 30, 200, 150).value();
    EXPECT_EQ(zoomed.pstart, "-0.7436438870371587047521915061147736");
    EXPECT_EQ(zoomed.pfinish, "-0.7436438870371587047521915061147716");
    EXPECT_EQ(zoomed.qstart, "0.131825904205311970493132056385102");
    EXPECT_EQ(zoomed.qfinish, "0.1318259042053119704931320563851035");
    // Zooming out is the same call with pixels outside the view.
    const DeepCorners out = ZoomDeepView(view, -100, -75, 200, 100, 75).value();
    EXPECT_EQ(PixelStepText(out.pstart, out.pfinish, 100).value(), "3e-34");
    // A view read back from its printed corners reproduces them.
    const DeepView again{zoomed.pstart, zoomed.pfinish, zoomed.qstart, 200, 150, 1000, 4.0};
    EXPECT_EQ(ZoomDeepView(again, 0, 0, 200, 200, 150).value(), zoomed);

    EXPECT_FALSE(ZoomDeepView(view, 10, 20, 10, 200, 150).has_value());
    EXPECT_FALSE(ZoomDeepView(view, 10, NAN, 30, 200, 150).has_value());
    EXPECT_FALSE(ZoomDeepView(view, 0, 0, 5e-324, 200, 150).has_value());  // no step in doubles
    EXPECT_FALSE(ZoomDeepView(view, -1e308, 0, 1e308, 200, 150).has_value());
    EXPECT_FALSE(ZoomDeepView(view, 10, 20, 30, 0, 150).has_value());
    // Zooming on and on ends with no view, never with text that no reader takes.
    DeepView deeper = view;
    int zooms = 0;
    for (; zooms < 100; ++zooms) {
        const auto next = ZoomDeepView(deeper, 0, 0, 1e-300, 100, 75);
        if (!next)
            break;
        ASSERT_TRUE(IsDecimalText(next->qfinish));
        deeper = {next->pstart, next->pfinish, next->qstart, 100, 75, 1000, 4.0};
    }
    EXPECT_GT(zooms, 60);  // about 1e-20000, where the texts reach their limit
    EXPECT_LT(zooms, 100);
}

TEST(DeepViewArithmetic, ScalesAboutTheCentreByPowersOfTwoBeyondTheDoubles) {
    const DeepView view{"-0.7436438870371587047521915061147746",
                        "-0.7436438870371587047521915061147646",
                        "0.1318259042053119704931320563851",
                        100,
                        75,
                        1000,
                        4.0};
    // Eight times as wide about pixel (50, 37.5): the same view ZoomDeepView gives.
    const DeepCorners wider = ScaleDeepView(view, 3).value();
    EXPECT_EQ(PixelStepText(wider.pstart, wider.pfinish, 100).value(), "8e-34");
    EXPECT_TRUE(
        CornersWithin(wider, ZoomDeepView(view, -350, -262.5, 450, 100, 75).value(), 1e-12));
    // In past the doubles' range of factors and back out: the same corners, the centre kept.
    const DeepCorners deep = ScaleDeepView(view, -1200).value();
    const DeepView deepView{deep.pstart, deep.pfinish, deep.qstart, 100, 75, 1000, 4.0};
    const DeepCorners back = ScaleDeepView(deepView, 1200).value();
    EXPECT_TRUE(CornersWithin(back, {view.pstart, view.pfinish, view.qstart, {}}, 1e-9));
    const DeepCorners same = ScaleDeepView(view, 0).value();
    EXPECT_EQ(same.pstart, view.pstart);
    EXPECT_EQ(same.qfinish, DeriveQfinishText(view.pstart, view.pfinish, view.qstart, 100, 75));
    // Narrower by 2^70000 would print past the texts' limits.
    EXPECT_FALSE(ScaleDeepView(view, -70000).has_value());
    EXPECT_FALSE(ScaleDeepView({view.pstart, view.pfinish, "x", 100, 75, 1000, 4.0}, 1));
    EXPECT_FALSE(ScaleDeepView({view.pstart, view.pfinish, view.qstart, 100, 0, 1000, 4.0}, 1));
}

}  // namespace
}  // namespace zolt

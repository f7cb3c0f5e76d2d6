#pragma once

// Views below double precision: their coordinates as exact decimal text, the rule that says
// when a view needs the deep engine, and the arithmetic that derives one view from another.
//
// Decimal text here is always: an optional sign, digits with an optional point (at least one
// digit), an optional exponent ("e" or "E", an optional sign, digits), and nothing else: no
// white space, no "inf" or "nan", no hexadecimal. The point is always '.', whatever the
// locale. Texts longer than kMaxDecimalText characters, and values whose magnitude is beyond
// 10^(+-kMaxDecimalMagnitude), are refused, so no text can make the program allocate or
// compute without bound.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zolt {

inline constexpr std::size_t kMaxDecimalText = 20000;
inline constexpr long kMaxDecimalMagnitude = 100000;

// Why a deep view is refused whose coordinates are longer than decimal text may be.
inline const std::string kLongCoordinates =
    "coordinates longer than " + std::to_string(kMaxDecimalText) + " digits";

// What the deep engine renders. Pixel (x, y) stands for c = (pstart + x * dx, qstart + y * dx)
// with dx = (pfinish - pstart) / width, computed exactly: rows grow downward in Q and the
// view's Qfinish follows from the others (DeriveQfinishText).
struct DeepView {
    std::string pstart;
    std::string pfinish;
    std::string qstart;
    int width = 0;
    int height = 0;
    int maxIter = 0;
    double escape = 0.0;
    bool operator==(const DeepView&) const = default;
};

bool IsDecimalText(std::string_view text);

// The double nearest to the text's value (ties to even; zero, with the text's sign, for
// values below the smallest subnormal), independent of the locale. False for text that is
// not decimal text and for values beyond the largest double.
bool DecimalToDouble(std::string_view text, double& out);

// The shortest decimal text that reads back as the same double; false for infinities and NaN.
bool DoubleToDecimal(double value, std::string& out);

// The decimal text a user typed (in a field, an option), leading blanks aside; empty when the
// rest is not decimal text.
std::string_view TypedDecimalText(std::string_view text);

// A coordinate a user typed, as exact decimal text: the decimal text typed, digit for digit, or
// else the shortest text of `value`, the double the text was read as. A text longer than
// kMaxDecimalText comes back as typed (leading blanks aside), which no deep view takes.
std::string ExactCoordinateText(std::string_view typed, double value);

// A view is deep exactly when its pixel step dx = (pfinish - pstart) / width, computed on
// these doubles, has |dx| < 2^-49 * max(|pstart|, |pfinish|, |qstart|, |qfinish|, 2^-1022):
// from there on neighbouring pixels lie fewer than eight units in the last place of the
// largest coordinate apart, too close for the double loop's own rounding of x * dx + pstart.
// Never deep: widths below 1 and NaN anywhere.
bool IsDeepView(double pstart, double pfinish, double qstart, double qfinish, int width);

// Values printed for a pixel step end ten decimal places below the step's leading digit, so
// a corner printed and read back moves by less than 1e-10 of a pixel, and printing the text
// read back gives the same text again.
inline constexpr int kDigitsBelowStep = 10;

// `value` printed for pixel step `step` (both decimal text, step non-zero).
std::optional<std::string> RoundForStep(std::string_view value, std::string_view step);

// The pixel step (pfinish - pstart) / width as decimal text with 30 significant digits;
// nothing for invalid text, a width below 1 or a view of no width.
std::optional<std::string> PixelStepText(std::string_view pstart, std::string_view pfinish,
                                         int width);

// log2 of the width |pfinish - pstart|, for widths beyond the doubles' range too; nothing for
// invalid text or a view of no width.
std::optional<double> WidthLog2(std::string_view pstart, std::string_view pfinish);

// qstart + height * dx, with dx = (pfinish - pstart) / width, printed for dx.
std::optional<std::string> DeriveQfinishText(std::string_view pstart, std::string_view pfinish,
                                             std::string_view qstart, int width, int height);

struct DeepCorners {
    std::string pstart;
    std::string pfinish;
    std::string qstart;
    std::string qfinish;
    bool operator==(const DeepCorners&) const = default;
};

// The view of newWidth x newHeight pixels whose left edge, top edge and right edge lie at
// pixel coordinates left, top and right of `view` (fractions and places outside the view
// allowed, so the same call zooms out): Pstart + left * dx, Pstart + right * dx and
// Qstart + top * dx, with Qfinish derived for the new size, every corner printed for the new
// pixel step. Nothing for invalid text, sizes below 1, non-finite coordinates, right == left,
// and corners that would not fit decimal text.
std::optional<DeepCorners> ZoomDeepView(const DeepView& view, double left, double top, double right,
                                        int newWidth, int newHeight);

// The view of the same size about the same centre (the point at pixel coordinates width / 2,
// height / 2), 2^doublings times as wide: wider for positive doublings, narrower for negative
// ones. The centre stays where it is to far below the new step, the corners are printed for the
// new step, and Qfinish is derived for the size. Unlike ZoomDeepView the factor may lie beyond
// the doubles' range (a zoom movie to 1e-1000 spans thousands of doublings). Nothing for invalid
// text, sizes below 1, and corners that would not fit decimal text.
std::optional<DeepCorners> ScaleDeepView(const DeepView& view, long doublings);

// Whether the corners of `b` lie within `fraction` of a's width (|a.pfinish - a.pstart|) of
// those of `a`, each of pstart, pfinish and qstart (qfinish only when both have one). False for
// invalid text.
bool CornersWithin(const DeepCorners& a, const DeepCorners& b, double fraction);

}  // namespace zolt

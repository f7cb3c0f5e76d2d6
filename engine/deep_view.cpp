#include "engine/deep_view.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/mp_real.h"

namespace zolt {

namespace {

// A text's value at a precision that holds all its digits and at least `bits`.
bool ReadExactly(std::string_view text, long bits, MpReal& out) {
    DecimalParts parts;
    if (!ParseDecimal(text, parts))
        return false;
    MpReal value(std::max(bits, BitsForDigits(parts.digits.size())));
    value.SetParts(parts);
    out = std::move(value);
    return true;
}

// The place of the last digit printed for a step whose leading digit is at 10^stepExponent.
long LastPlace(long stepExponent) {
    return stepExponent - kDigitsBelowStep;
}

std::string PrintAtPlace(const MpReal& value, long place) {
    const long lead = value.DecimalExponent();
    if (lead < place)
        return mpfr_signbit(value.get()) ? "-0" : "0";
    return value.ToDecimal(lead - place + 1);
}

// Bits for arithmetic whose results print down to 10^place, with values up to 10^lead.
long BitsFor(long lead, long place) {
    return BitsForDigits(static_cast<std::size_t>(std::max(1L, lead - place + 1))) + 32;
}

}  // namespace

bool IsDecimalText(std::string_view text) {
    DecimalParts parts;
    return ParseDecimal(text, parts);
}

bool DecimalToDouble(std::string_view text, double& out) {
    DecimalParts parts;
    if (!ParseDecimal(text, parts))
        return false;
    // from_chars rounds correctly and ignores the locale; it gets no point to read.
    std::string plain = parts.negative ? "-" : "";
    plain += parts.digits;
    plain += 'e';
    plain += std::to_string(parts.exponent);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: below the smallest subnormal it rounds to zero.
        const long magnitude = parts.exponent + static_cast<long>(parts.digits.size());
        if (magnitude > 0)
            return false;
        out = parts.negative ? -0.0 : 0.0;
        return true;
    }
    if (ec != std::errc() || end != plain.data() + plain.size())
        return false;
    out = value;
    return true;
}

bool DoubleToDecimal(double value, std::string& out) {
    if (!std::isfinite(value))
        return false;
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc())
        return false;
    out.assign(buffer, end);
    return true;
}

std::string_view TypedDecimalText(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos || !IsDecimalText(text.substr(start)))
        return {};
    return text.substr(start);
}

std::string ExactCoordinateText(std::string_view typed, double value) {
    // Digits past what decimal text holds are kept as typed: the view is then refused for their
    // length, not drawn at the nearest double as though they had not been given.
    if (const std::size_t start = typed.find_first_not_of(" \t");
        start != std::string_view::npos && typed.size() - start > kMaxDecimalText)
        return std::string(typed.substr(start));
    const std::string_view decimal = TypedDecimalText(typed);
    std::string text(decimal);
    if (decimal.empty())
        DoubleToDecimal(value, text);
    return text;
}

bool IsDeepView(double pstart, double pfinish, double qstart, double qfinish, int width) {
    if (width < 1)
        return false;
    const double dx = (pfinish - pstart) / static_cast<double>(width);
    const double largest = std::max(
        {std::fabs(pstart), std::fabs(pfinish), std::fabs(qstart), std::fabs(qfinish), 0x1p-1022});
    // Any NaN makes this false, as it should: such a view is not drawable at all.
    return std::fabs(dx) < 0x1p-49 * largest;
}

std::optional<std::string> RoundForStep(std::string_view value, std::string_view step) {
    MpReal s;
    DecimalParts parts;
    if (!ReadExactly(step, 64, s) || mpfr_zero_p(s.get()) || !ParseDecimal(value, parts))
        return std::nullopt;
    // The value must hold every digit down to the place printed, not just its own digits.
    const long place = LastPlace(s.DecimalExponent());
    const long lead = parts.exponent + static_cast<long>(parts.digits.size());
    MpReal v;
    if (!ReadExactly(value, BitsFor(lead, place), v))
        return std::nullopt;
    // Never longer than the text read: rounding to a place only drops digits.
    return PrintAtPlace(v, place);
}

namespace {

// The exact pixel step of a view, rounded to `bits`; false for invalid text or no width.
bool StepOf(std::string_view pstart, std::string_view pfinish, int width, long bits, MpReal& p0,
            MpReal& dx) {
    MpReal p1;
    if (width < 1 || !ReadExactly(pstart, bits, p0) || !ReadExactly(pfinish, bits, p1))
        return false;
    const long precision = std::max({bits, p0.Precision(), p1.Precision()});
    dx = MpReal(precision);
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    mpfr_div_si(dx.get(), dx.get(), width, MPFR_RNDN);
    return !mpfr_zero_p(dx.get());
}

// A precision for arithmetic on a view's coordinates: its digits, and the places down to
// ten below a step of 10^stepExponent from the largest of them.
long ViewBits(std::initializer_list<std::string_view> texts, long stepExponent) {
    long lead = 0;
    std::size_t digits = 0;
    for (std::string_view t : texts) {
        DecimalParts parts;
        if (!ParseDecimal(t, parts))
            continue;
        digits = std::max(digits, parts.digits.size());
        lead = std::max(lead, parts.exponent + static_cast<long>(parts.digits.size()));
    }
    return std::max(BitsForDigits(digits), BitsFor(lead, LastPlace(stepExponent)));
}

// Rough decimal exponent of |pfinish - pstart| / width, from doubles: enough to size the
// precision of the exact computation that follows.
long RoughStepExponent(std::string_view pstart, std::string_view pfinish, int width) {
    // At the precision of the texts' digits the difference is exact enough for its exponent.
    MpReal p0, dx;
    if (!StepOf(pstart, pfinish, width, ViewBits({pstart, pfinish}, 0), p0, dx))
        return 0;
    return dx.DecimalExponent();
}

// A view's pstart, step and qstart, at a precision for results printed for steps down to
// 10^stepExponent; the precision for arithmetic on them, or 0 for invalid text.
long ReadView(const DeepView& view, long stepExponent, MpReal& p0, MpReal& dx, MpReal& q0) {
    const long bits = ViewBits({view.pstart, view.pfinish, view.qstart}, stepExponent);
    if (!StepOf(view.pstart, view.pfinish, view.width, bits, p0, dx) ||
        !ReadExactly(view.qstart, bits, q0))
        return 0;
    return std::max({dx.Precision(), q0.Precision(), p0.Precision()}) + 64;
}

// The corners pstart, pfinish and qstart of a width x height view with pixel step `step`,
// printed for that step, with Qfinish derived for the size.
std::optional<DeepCorners> PrintedCorners(const MpReal& pstart, const MpReal& pfinish,
                                          const MpReal& qstart, const MpReal& step, int width,
                                          int height) {
    const long place = LastPlace(step.DecimalExponent());
    DeepCorners out;
    out.pstart = PrintAtPlace(pstart, place);
    out.pfinish = PrintAtPlace(pfinish, place);
    out.qstart = PrintAtPlace(qstart, place);
    // Qfinish from the printed corners, so that it belongs to the grid a reader will see.
    auto qfinish = DeriveQfinishText(out.pstart, out.pfinish, out.qstart, width, height);
    if (!qfinish)
        return std::nullopt;
    out.qfinish = std::move(*qfinish);
    // A view past the text limits gives nothing rather than text no reader accepts.
    for (const std::string* t : {&out.pstart, &out.pfinish, &out.qstart, &out.qfinish}) {
        if (!IsDecimalText(*t))
            return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::string> PixelStepText(std::string_view pstart, std::string_view pfinish,
                                         int width) {
    const long bits = ViewBits({pstart, pfinish}, RoughStepExponent(pstart, pfinish, width));
    MpReal p0, dx;
    if (!StepOf(pstart, pfinish, width, bits, p0, dx))
        return std::nullopt;
    return dx.ToDecimal(30);
}

std::optional<double> WidthLog2(std::string_view pstart, std::string_view pfinish) {
    MpReal p0, width;
    if (!StepOf(pstart, pfinish, 1, ViewBits({pstart, pfinish}, 0), p0, width))
        return std::nullopt;
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, width.get(), MPFR_RNDN);
    return std::log2(std::fabs(mantissa)) + static_cast<double>(exponent);
}

std::optional<std::string> DeriveQfinishText(std::string_view pstart, std::string_view pfinish,
                                             std::string_view qstart, int width, int height) {
    const long bits =
        ViewBits({pstart, pfinish, qstart}, RoughStepExponent(pstart, pfinish, width));
    MpReal p0, dx, q0;
    if (height < 0 || !StepOf(pstart, pfinish, width, bits, p0, dx) ||
        !ReadExactly(qstart, bits, q0))
        return std::nullopt;
    MpReal q1(std::max(dx.Precision(), q0.Precision()));
    mpfr_mul_si(q1.get(), dx.get(), height, MPFR_RNDN);
    mpfr_add(q1.get(), q1.get(), q0.get(), MPFR_RNDN);
    return PrintAtPlace(q1, LastPlace(dx.DecimalExponent()));
}

std::optional<DeepCorners> ZoomDeepView(const DeepView& view, double left, double top, double right,
                                        int newWidth, int newHeight) {
    if (newWidth < 1 || newHeight < 1 || !std::isfinite(left) || !std::isfinite(top) ||
        !std::isfinite(right) || right == left)
        return std::nullopt;
    // The new step is dx * (right - left) / newWidth: its exponent sizes the precision.
    const long oldStep = RoughStepExponent(view.pstart, view.pfinish, view.width);
    const double ratio = std::fabs(right - left) / newWidth;
    if (!(ratio > 0.0) || !std::isfinite(ratio))
        return std::nullopt;
    const long newStep = oldStep + static_cast<long>(std::floor(std::log10(ratio))) - 1;
    MpReal p0, dx, q0;
    const long precision = ReadView(view, std::min(oldStep, newStep), p0, dx, q0);
    if (precision == 0)
        return std::nullopt;
    MpReal a(precision), b(precision), t(precision), step(precision);
    // Pixel coordinates are doubles: exact in MPFR.
    mpfr_mul_d(a.get(), dx.get(), left, MPFR_RNDN);
    mpfr_add(a.get(), a.get(), p0.get(), MPFR_RNDN);
    mpfr_mul_d(b.get(), dx.get(), right, MPFR_RNDN);
    mpfr_add(b.get(), b.get(), p0.get(), MPFR_RNDN);
    mpfr_mul_d(t.get(), dx.get(), top, MPFR_RNDN);
    mpfr_add(t.get(), t.get(), q0.get(), MPFR_RNDN);
    mpfr_sub(step.get(), b.get(), a.get(), MPFR_RNDN);
    mpfr_div_si(step.get(), step.get(), newWidth, MPFR_RNDN);
    return PrintedCorners(a, b, t, step, newWidth, newHeight);
}

std::optional<DeepCorners> ScaleDeepView(const DeepView& view, long doublings) {
    if (view.width < 1 || view.height < 1)
        return std::nullopt;
    const long oldStep = RoughStepExponent(view.pstart, view.pfinish, view.width);
    // log10(2) rounded down, one place lower still: the precision errs on the side of more bits.
    const long newStep = oldStep + static_cast<long>(std::floor(doublings * 0.30102999)) - 1;
    MpReal p0, dx, q0;
    const long precision = ReadView(view, std::min(oldStep, newStep), p0, dx, q0);
    if (precision == 0)
        return std::nullopt;
    MpReal centre(precision), middle(precision), step(precision), a(precision), t(precision);
    MpReal half(precision);
    // The centre: pstart + width / 2 * dx and qstart + height / 2 * dx.
    mpfr_mul_si(half.get(), dx.get(), view.width, MPFR_RNDN);
    mpfr_div_2si(half.get(), half.get(), 1, MPFR_RNDN);
    mpfr_add(centre.get(), p0.get(), half.get(), MPFR_RNDN);
    mpfr_mul_si(half.get(), dx.get(), view.height, MPFR_RNDN);
    mpfr_div_2si(half.get(), half.get(), 1, MPFR_RNDN);
    mpfr_add(middle.get(), q0.get(), half.get(), MPFR_RNDN);
    // Scaling by a power of two is exact.
    mpfr_mul_2si(step.get(), dx.get(), doublings, MPFR_RNDN);
    mpfr_mul_si(half.get(), step.get(), view.width, MPFR_RNDN);
    mpfr_div_2si(half.get(), half.get(), 1, MPFR_RNDN);
    mpfr_sub(a.get(), centre.get(), half.get(), MPFR_RNDN);
    mpfr_add(centre.get(), centre.get(), half.get(), MPFR_RNDN);  // now the right edge
    mpfr_mul_si(half.get(), step.get(), view.height, MPFR_RNDN);
    mpfr_div_2si(half.get(), half.get(), 1, MPFR_RNDN);
    mpfr_sub(t.get(), middle.get(), half.get(), MPFR_RNDN);
    return PrintedCorners(a, centre, t, step, view.width, view.height);
}

bool CornersWithin(const DeepCorners& a, const DeepCorners& b, double fraction) {
    std::vector<std::pair<std::string_view, std::string_view>> pairs = {
        {a.pstart, b.pstart}, {a.pfinish, b.pfinish}, {a.qstart, b.qstart}};
    if (!a.qfinish.empty() && !b.qfinish.empty())
        pairs.emplace_back(a.qfinish, b.qfinish);
    // Enough bits for every digit of both sides: the differences are then exact.
    long bits = 64;
    for (const auto& [x, y] : pairs) {
        DecimalParts px, py;
        if (!ParseDecimal(x, px) || !ParseDecimal(y, py))
            return false;
        const long lead = std::max(px.exponent + static_cast<long>(px.digits.size()),
                                   py.exponent + static_cast<long>(py.digits.size()));
        bits = std::max(bits, BitsFor(lead, std::min(px.exponent, py.exponent)));
    }
    MpReal x(bits), y(bits), width(bits), difference(bits);
    x.SetDecimal(a.pstart);
    y.SetDecimal(a.pfinish);
    mpfr_sub(width.get(), y.get(), x.get(), MPFR_RNDN);
    mpfr_abs(width.get(), width.get(), MPFR_RNDN);
    mpfr_mul_d(width.get(), width.get(), fraction, MPFR_RNDN);
    for (const auto& [first, second] : pairs) {
        x.SetDecimal(first);
        y.SetDecimal(second);
        mpfr_sub(difference.get(), x.get(), y.get(), MPFR_RNDN);
        if (mpfr_cmpabs(difference.get(), width.get()) > 0)
            return false;
    }
    return true;
}

}  // namespace zolt

#pragma once

// A multiple-precision real on MPFR, for the deep-zoom engine and its text helpers. Used by
// the engine's own sources (and the tests' reference renderer) only: what the rest of the
// program sees of deep views is decimal text (engine/deep_view.h).
//
// MPFR reads and writes decimal points through the C locale (its string functions honour
// LC_NUMERIC), so no text with a point ever reaches it: decimal text is split here into an
// integer digit string and a power of ten, and printed from MPFR's digit strings, which carry
// no point.

#include <mpfr.h>

#include <string>
#include <string_view>

#include "engine/deep_view.h"

namespace zolt {

// A decimal text taken apart: value = (negative ? -1 : 1) * digits * 10^exponent, with no
// leading zeros in digits ("0" for zero, which keeps its sign).
struct DecimalParts {
    bool negative = false;
    std::string digits;
    long exponent = 0;
};

// Optional sign, digits with an optional point (at least one digit), an optional exponent
// ("e" or "E", optional sign, digits); nothing else, no white space. False for any other text,
// for texts longer than kMaxDecimalText and for values whose magnitude is beyond
// 10^(+-kMaxDecimalMagnitude).
bool ParseDecimal(std::string_view text, DecimalParts& out);

class MpReal {
  public:
    explicit MpReal(long bits = 64);
    MpReal(const MpReal& other);
    MpReal(MpReal&& other) noexcept;
    // A copy keeps this value's own precision and rounds to it; a move takes the other's.
    MpReal& operator=(const MpReal& other);
    MpReal& operator=(MpReal&& other) noexcept;
    ~MpReal();

    mpfr_ptr get() { return value_; }
    mpfr_srcptr get() const { return value_; }
    long Precision() const { return static_cast<long>(mpfr_get_prec(value_)); }

    // Rounds the text's value to this precision; false (value unchanged) unless the text
    // passes ParseDecimal.
    bool SetDecimal(std::string_view text);
    void SetParts(const DecimalParts& parts);
    double ToDouble() const { return mpfr_get_d(value_, MPFR_RNDN); }

    // The value rounded to `digits` significant decimal digits (at least 1), as text that
    // ParseDecimal reads: positional for moderate magnitudes, with an exponent otherwise.
    std::string ToDecimal(long digits) const;
    // floor(log10 |x|), possibly one too high; for zero a very small number.
    long DecimalExponent() const;

  private:
    mpfr_t value_;
};

// Bits that hold `digits` decimal digits, with a margin.
long BitsForDigits(std::size_t digits);

}  // namespace zolt

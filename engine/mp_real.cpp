#include "engine/mp_real.h"

#include <cmath>
#include <cstdlib>

namespace zolt {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseDecimal(std::string_view text, DecimalParts& out) {
    if (text.empty() || text.size() > kMaxDecimalText)
        return false;
    std::size_t pos = 0;
    DecimalParts parts;
    if (text[pos] == '+' || text[pos] == '-') {
        parts.negative = text[pos] == '-';
        ++pos;
    }
    std::string digits;
    long fractionDigits = 0;
    bool anyDigit = false;
    bool point = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsDigit(c)) {
            anyDigit = true;
            if (point)
                ++fractionDigits;
            if (c != '0' || !digits.empty())
                digits.push_back(c);  // leading zeros only move the exponent
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return false;

    // The exponent: its digits are read with a cap, so "e-99999999999999" costs nothing and
    // is refused below like any other value out of range.
    long exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negative = text[pos] == '-';
            ++pos;
        }
        if (pos >= text.size() || !IsDigit(text[pos]))
            return false;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
            if (exponent < 10 * kMaxDecimalMagnitude)
                exponent = exponent * 10 + (text[pos] - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    if (pos != text.size())
        return false;

    if (digits.empty()) {
        parts.digits.assign(1, '0');
        parts.exponent = 0;
        out = std::move(parts);
        return true;
    }
    // Trailing zeros of the digit string go into the exponent.
    std::size_t last = digits.find_last_not_of('0');
    const long trailing = static_cast<long>(digits.size() - 1 - last);
    digits.resize(last + 1);
    parts.exponent = exponent - fractionDigits + trailing;
    // The value's leading digit stands at 10^(exponent + digits - 1).
    const long magnitude = parts.exponent + static_cast<long>(digits.size()) - 1;
    if (magnitude > kMaxDecimalMagnitude || magnitude < -kMaxDecimalMagnitude)
        return false;
    parts.digits = std::move(digits);
    out = std::move(parts);
    return true;
}

long BitsForDigits(std::size_t digits) {
    // log2(10) < 3.33; 64 bits of margin so that the digits print back unchanged.
    return static_cast<long>(static_cast<double>(digits) * 3.33) + 64;
}

MpReal::MpReal(long bits) {
    mpfr_init2(value_, static_cast<mpfr_prec_t>(bits < MPFR_PREC_MIN ? MPFR_PREC_MIN : bits));
    mpfr_set_zero(value_, 1);
}

MpReal::MpReal(const MpReal& other) {
    mpfr_init2(value_, mpfr_get_prec(other.value_));
    mpfr_set(value_, other.value_, MPFR_RNDN);
}

MpReal::MpReal(MpReal&& other) noexcept {
    mpfr_init2(value_, MPFR_PREC_MIN);
    mpfr_swap(value_, other.value_);
}

MpReal& MpReal::operator=(const MpReal& other) {
    mpfr_set(value_, other.value_, MPFR_RNDN);
    return *this;
}

MpReal& MpReal::operator=(MpReal&& other) noexcept {
    mpfr_swap(value_, other.value_);
    return *this;
}

MpReal::~MpReal() {
    mpfr_clear(value_);
}

bool MpReal::SetDecimal(std::string_view text) {
    DecimalParts parts;
    if (!ParseDecimal(text, parts))
        return false;
    SetParts(parts);
    return true;
}

void MpReal::SetParts(const DecimalParts& parts) {
    // Digits and an exponent, never a point: MPFR would also take the locale's point there.
    std::string plain = parts.negative ? "-" : "";
    plain += parts.digits;
    plain += 'e';
    plain += std::to_string(parts.exponent);
    mpfr_set_str(value_, plain.c_str(), 10, MPFR_RNDN);
}

long MpReal::DecimalExponent() const {
    if (mpfr_zero_p(value_) || !mpfr_number_p(value_))
        return -10 * kMaxDecimalMagnitude;
    // Rounded to one digit the value is 0.d * 10^e, so floor(log10|x|) is e - 1, or e - 2
    // when the rounding carried into a new digit.
    mpfr_exp_t e = 0;
    char* text = mpfr_get_str(nullptr, &e, 10, 1, value_, MPFR_RNDN);
    mpfr_free_str(text);
    return static_cast<long>(e) - 1;
}

std::string MpReal::ToDecimal(long digits) const {
    if (!mpfr_number_p(value_))
        return "0";
    if (mpfr_zero_p(value_))
        return mpfr_signbit(value_) ? "-0" : "0";
    if (digits < 1)
        digits = 1;
    mpfr_exp_t e = 0;
    char* raw = mpfr_get_str(nullptr, &e, 10, static_cast<std::size_t>(digits), value_, MPFR_RNDN);
    std::string d = raw;
    mpfr_free_str(raw);
    std::string out;
    if (!d.empty() && d[0] == '-') {
        out = "-";
        d.erase(0, 1);
    }
    // The value is 0.d1d2... * 10^e. Trailing zeros say nothing.
    const std::size_t last = d.find_last_not_of('0');
    d.resize(last == std::string::npos ? 1 : last + 1);
    const long point = static_cast<long>(e);  // digits before the point
    if (point > 21 || point < -5) {
        out += d[0];
        if (d.size() > 1) {
            out += '.';
            out.append(d, 1, std::string::npos);
        }
        out += 'e';
        out += std::to_string(point - 1);
        return out;
    }
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += d;
    } else if (static_cast<long>(d.size()) <= point) {
        out += d;
        out.append(static_cast<std::size_t>(point) - d.size(), '0');
    } else {
        out.append(d, 0, static_cast<std::size_t>(point));
        out += '.';
        out.append(d, static_cast<std::size_t>(point), std::string::npos);
    }
    return out;
}

}  // namespace zolt

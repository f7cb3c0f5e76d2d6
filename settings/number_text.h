#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zolt {

// Numbers as text, wherever the program reads or writes them: fractal files, the settings, the
// dialogs' fields and zolt-render's options. The decimal separator is always the point, whatever
// the user's locale. There is one reader of reals and one of integers; where the places differ,
// the difference is a rule the caller passes:
//
//   fractal files   reals (their integers are reals truncated toward zero)
//   settings        whole integers
//   dialog counts   whole integers without a sign, 0 to 2147483647
//   zolt-render     reals and whole integers, in the ranges of its options

// What may come before the digits: white space (blank, tab, line ends) always, a sign when the
// rules allow one.
struct NumberRules {
    bool sign = true;  // one '+' or '-'
};

// A real: optional leading white space, an optional sign, digits with an optional decimal point,
// an optional exponent, and nothing after it. No "inf", "nan" or hexadecimal forms, and no
// magnitude a double cannot hold (too large, or so small that it would read as zero).
std::optional<double> ParseReal(std::string_view text);

// A whole decimal integer from `low` to `high`: optional leading white space, a sign when the
// rules allow it, digits, nothing after them.
std::optional<long long> ParseInteger(std::string_view text, long long low, long long high,
                                      NumberRules rules = {});

// The value truncated toward zero, when that fits an int; none for NaN, infinities and anything
// outside the int range.
std::optional<int> TruncateToInt(double value);

// Copies a number that was read into `out`; false, leaving `out` as it was, when there is none.
template <class Out, class Number>
bool StoreNumber(const std::optional<Number>& number, Out& out) {
    if (number)
        out = static_cast<Out>(*number);
    return number.has_value();
}

// The value of a hexadecimal digit of either case.
std::optional<int> HexDigitValue(char c);

// A real as text that reads back as the identical double ("%.32g").
std::string WriteRealText(double value);
// The shortest text that reads back as the identical double ("0.1", "256", "1e-07").
std::string WriteShortestText(double value);

// printf-style formats, without the locale: "%f" (six decimals) and "%d".
std::string FormatFixed6(double value);
std::string FormatInt(int value);

// An amount of memory for the user: "900 KiB", "12 MiB", "1.4 GiB" (one decimal below 10).
std::string ByteSizeText(std::uint64_t bytes);
// A time for the user, rounded to the second: "0:07", "12:30", "2:05:00".
std::string DurationText(double seconds);

}  // namespace zolt

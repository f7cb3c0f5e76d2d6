#pragma once

#include <string>
#include <string_view>

namespace zolt {

// Numbers as text, in files and edit fields. The decimal separator is always the point,
// whatever the user's locale.

// A real: optional leading white space, an optional sign, digits with an optional decimal
// point, an optional exponent, and nothing after it. No "inf", "nan" or hexadecimal forms, and
// no magnitude a double cannot hold (too large, or so small that it would read as zero).
bool IsReal(std::string_view text);
// Reads a text that passes IsReal; false (and `out` unchanged) for any other text.
bool ParseReal(std::string_view text, double& out);

// A base-10 integer: optional leading white space, an optional sign, digits, nothing after
// them. Only the shape is checked, not the magnitude.
bool IsInteger(std::string_view text);

// The value truncated toward zero, when that fits an int; false for NaN, infinities and
// anything outside the int range.
bool TruncateToInt(double value, int& out);

// Edit-field reading of a real: the first 49 characters count; an empty text is 0.0; any other
// text must pass IsReal. On failure `out` is unchanged.
bool ReadRealText(std::string_view text, double& out);
// A real as text that reads back as the identical double ("%.32g").
std::string WriteRealText(double value);

// printf-style formats, without the locale: "%f" (six decimals) and "%d".
std::string FormatFixed6(double value);
std::string FormatInt(int value);

}  // namespace zolt

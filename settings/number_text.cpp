#include "settings/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace zolt {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Drops the leading white space and one sign; reports whether the sign was a minus.
std::string_view SkipBlanksAndSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

}  // namespace

bool ParseReal(std::string_view text, double& out) {
    bool negative = false;
    const std::string_view body = SkipBlanksAndSign(text, negative);
    // Only digits or a point may follow the sign: this keeps out "inf", "nan" and a second sign,
    // which the conversion below would otherwise accept.
    if (body.empty() || !(IsDigit(body[0]) || body[0] == '.'))
        return false;
    double value = 0.0;
    const char* last = body.data() + body.size();
    const auto [end, ec] = std::from_chars(body.data(), last, value, std::chars_format::general);
    if (ec != std::errc() || end != last)
        return false;
    out = negative ? -value : value;
    return true;
}

bool IsReal(std::string_view text) {
    double value = 0.0;
    return ParseReal(text, value);
}

bool IsInteger(std::string_view text) {
    bool negative = false;
    const std::string_view body = SkipBlanksAndSign(text, negative);
    if (body.empty())
        return false;
    for (char c : body) {
        if (!IsDigit(c))
            return false;
    }
    return true;
}

bool TruncateToInt(double value, int& out) {
    // Both bounds are exact doubles; NaN fails both comparisons.
    constexpr double kBelowMin = static_cast<double>(std::numeric_limits<int>::min()) - 1.0;
    constexpr double kAboveMax = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
    if (!(value > kBelowMin && value < kAboveMax))
        return false;
    out = static_cast<int>(std::trunc(value));
    return true;
}

bool ReadRealText(std::string_view text, double& out) {
    constexpr std::size_t kFieldLimit = 49;
    text = text.substr(0, kFieldLimit);
    if (text.empty()) {
        out = 0.0;
        return true;
    }
    return ParseReal(text, out);
}

std::string WriteRealText(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 32);
    return std::string(buffer.data(), result.ptr);
}

std::string FormatFixed6(double value) {
    // The largest double has 309 digits before the point.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 6);
    return std::string(buffer.data(), result.ptr);
}

std::string FormatInt(int value) {
    std::array<char, 16> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace zolt

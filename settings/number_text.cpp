#include "settings/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// The text after its leading white space and its sign (when the rules allow one), which must
// start with a digit or, for reals, a point: this keeps out "inf", "nan" and a second sign,
// which the conversions below would otherwise take.
std::optional<std::string_view> Body(std::string_view text, NumberRules rules, bool point,
                                     bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    negative = false;
    if (rules.sign && i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view body = text.substr(i);
    if (body.empty() || !(IsDigit(body[0]) || (point && body[0] == '.')))
        return std::nullopt;
    return body;
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
    bool negative = false;
    const auto body = Body(text, {}, true, negative);
    if (!body)
        return std::nullopt;
    double value = 0.0;
    const char* last = body->data() + body->size();
    const auto [end, ec] = std::from_chars(body->data(), last, value, std::chars_format::general);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<long long> ParseInteger(std::string_view text, long long low, long long high,
                                      NumberRules rules) {
    bool negative = false;
    const auto body = Body(text, rules, false, negative);
    if (!body)
        return std::nullopt;
    // Read as unsigned so that the lowest long long, whose magnitude has no positive, fits.
    unsigned long long magnitude = 0;
    const char* last = body->data() + body->size();
    const auto [end, ec] = std::from_chars(body->data(), last, magnitude);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > kMax + (negative ? 1 : 0))
        return std::nullopt;
    const long long value =
        negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int> TruncateToInt(double value) {
    // Both bounds are exact doubles; NaN fails both comparisons.
    constexpr double kBelowMin = static_cast<double>(std::numeric_limits<int>::min()) - 1.0;
    constexpr double kAboveMax = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
    if (!(value > kBelowMin && value < kAboveMax))
        return std::nullopt;
    return static_cast<int>(std::trunc(value));
}

std::optional<int> HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

std::string WriteRealText(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 32);
    return std::string(buffer.data(), result.ptr);
}

std::string WriteShortestText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
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

std::string ByteSizeText(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double amount = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (amount >= 1024.0 && unit + 1 < std::size(kUnits)) {
        amount /= 1024.0;
        ++unit;
    }
    std::array<char, 32> buffer{};
    const bool tenths = unit > 0 && amount < 9.95;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), amount,
                                      std::chars_format::fixed, tenths ? 1 : 0);
    return std::string(buffer.data(), result.ptr) + " " + kUnits[unit];
}

std::string DurationText(double seconds) {
    const long long whole =
        std::isfinite(seconds) && seconds > 0 ? std::llround(std::min(seconds, 1e12)) : 0;
    std::array<char, 48> text{};
    if (whole >= 3600)
        std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text.data(), text.size(), "%lld:%02lld", whole / 60, whole % 60);
    return text.data();
}

}  // namespace zolt

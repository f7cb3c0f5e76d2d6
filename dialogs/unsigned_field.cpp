#include "dialogs/unsigned_field.h"

#include <charconv>
#include <limits>

namespace zolt {

std::optional<std::uint32_t> ReadUnsignedField(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    const std::string_view digits = text.substr(start);
    // A sign of either kind is refused: the text must start with a digit after the blanks.
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    std::uint32_t value = 0;
    const char* last = digits.data() + digits.size();
    const auto [end, error] = std::from_chars(digits.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<int> ReadCountField(std::string_view text) {
    const auto value = ReadUnsignedField(text);
    if (!value || *value > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string WriteUnsignedField(int value) {
    return std::to_string(static_cast<std::uint32_t>(value));
}

}  // namespace zolt

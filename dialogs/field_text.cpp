#include "dialogs/field_text.h"

#include <cstdint>
#include <limits>

#include "engine/deep_view.h"
#include "settings/number_text.h"

namespace zolt {

std::optional<double> ReadRealField(std::string_view text) {
    constexpr std::size_t kFieldLimit = 49;
    double exact = 0.0;
    if (text.size() > kFieldLimit && DecimalToDouble(TypedDecimalText(text), exact))
        return exact;
    text = text.substr(0, kFieldLimit);
    if (text.empty())
        return 0.0;
    return ParseReal(text);
}

std::optional<int> ReadCountField(std::string_view text) {
    const auto value = ParseInteger(text, 0, std::numeric_limits<int>::max(), {.sign = false});
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string WriteCountField(int value) {
    return std::to_string(static_cast<std::uint32_t>(value));
}

}  // namespace zolt

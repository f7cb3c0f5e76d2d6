#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zolt {

// An edit field holding a count: leading blanks, then decimal digits up to the end of the text,
// with no sign and a value that fits 32 bits unsigned. Nothing may follow the digits.
std::optional<std::uint32_t> ReadUnsignedField(std::string_view text);

// A count that must also fit a signed 32-bit field (0 to 2147483647): a larger number would
// turn negative when stored.
std::optional<int> ReadCountField(std::string_view text);

// A count shown in an edit field, as an unsigned decimal.
std::string WriteUnsignedField(int value);

}  // namespace zolt

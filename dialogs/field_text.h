#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zolt {

// The texts of the dialogs' edit fields, read and written with the program's one number reader.

// A real field: its first 49 characters count, an empty text is 0.0, any other text must be a
// whole real as files have them. A longer text that is one decimal number as a whole (a deep
// view's coordinate) counts as a whole: its nearest double.
std::optional<double> ReadRealField(std::string_view text);

// A count field: leading blanks, then decimal digits up to the end of the text, without a sign,
// from 0 to 2147483647 (a larger number would turn negative when stored).
std::optional<int> ReadCountField(std::string_view text);

// A count shown in an edit field, as an unsigned decimal.
std::string WriteCountField(int value);

}  // namespace zolt

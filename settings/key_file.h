#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zolt {

// The text form of one settings key: one `Name=value` line per value, after a comment header.
//
//   # Settings: one Name=value per line. ...
//   InitialResolution=8
//   OpenFileDirectory=/home/ann/Fractals
//
// Names and values may hold any bytes. So that every byte comes back, the writer escapes
//   \\  a backslash         \n  a line feed        \r  a carriage return     \t  a tab
//   \xHH  any byte: other control bytes (NUL included), DEL, a blank at either end (editors
//         strip those), and in names `=` and a leading `#`.
// Everything else, non-ASCII bytes included, is written as it is.
//
// The reader is lenient with what a person may have typed: blanks and tabs around the name and
// the value, and a CR before the line feed, are ignored (the writer never leaves those raw).
// Lines that are empty, start with `#`, have no `=` or hold a bad escape are ignored. A last line
// without its line feed counts: files are replaced whole, never left half written, so it is a
// person's edit. Of a name given twice the last value counts.
struct KeyFile {
    // Unique names, in the order of the file.
    std::vector<std::pair<std::string, std::string>> entries;

    const std::string* Find(std::string_view name) const;
    // Replaces the value in place, or appends a new one.
    void Set(std::string_view name, std::string_view value);
};

KeyFile ParseKeyFile(std::string_view bytes);
std::string FormatKeyFile(const KeyFile& file);

std::string EscapeKeyText(std::string_view text, bool isName);
std::optional<std::string> UnescapeKeyText(std::string_view text);

// No key file of ours comes near this; a larger one is not read rather than loaded into memory.
constexpr std::size_t kMaxKeyFileBytes = std::size_t{1} << 20;

}  // namespace zolt

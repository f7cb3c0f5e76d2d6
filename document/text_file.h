#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zolt {

// Line-oriented text files, the form fractal files take.
//
// Lines are read in pieces of at most kReadPiece bytes, ending in LF or CR LF: a longer line
// arrives as several pieces, each but the last marked as cut, so a reader that needs whole lines
// can tell. Lines are written with CR LF, at most kMaxWrittenLine characters each.
struct TextLine {
    std::string text;  // without its line end
    bool cut = false;  // the line goes on in the next piece
    bool operator==(const TextLine&) const = default;
};

inline constexpr std::size_t kReadPiece = 127;
inline constexpr std::size_t kMaxWrittenLine = 128;
// The longest line that reads back as one piece after its CR LF is written.
inline constexpr std::size_t kLongestReadBackLine = kReadPiece - 2;
// No text file of ours comes near this; a larger one is refused before it is read.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{4} << 20;

// The text split into lines as a file of these bytes is read.
std::vector<TextLine> SplitTextLines(std::string_view bytes);

// Reads the file at `path` as lines. Only a regular file of at most kMaxTextFileBytes is read: a
// FIFO or a device named as a file could block for ever or never end. None when the file cannot
// be read; `reason` then says why, in the system's words where the system refused.
std::optional<std::vector<TextLine>> ReadTextFile(const std::string& path, std::string* reason);

// Replaces the file at `path` by the lines, each followed by CR LF, at once: on any failure,
// a line longer than kMaxWrittenLine included, the file is left as it was.
bool WriteTextFile(const std::string& path, std::span<const std::string> lines);

// The lines as the text of a file, each ended by CR LF; none when a line is longer than
// kMaxWrittenLine.
std::optional<std::string> JoinTextLines(std::span<const std::string> lines);

}  // namespace zolt

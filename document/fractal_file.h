#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/text_file.h"
#include "engine/fractal_def.h"

namespace zolt {

// Fractal definition files (.zlt): a version line, eight number lines, an empty line, one
// "rrggbb" line per palette entry and a final empty line. Coordinates are written with 32
// significant digits and read back bit for bit. Blocks may follow, where older readers no longer
// look (document/file_blocks.h): a deep view's exact corners (its nearest doubles stay in the
// number lines), a colouring other than the classic one.
// Reading and writing are pure: lines in, a definition or a reason out, and a definition in,
// lines out; the commands decide what to show and what to change.

// The first line of the block that holds a deep view's exact corners, after the palette.
inline constexpr const char* kDeepBlockName = "ZoltDeep:1";

// The corners of a deep view with the labels they have in a file, in the order written.
struct DeepCornerLine {
    const char* label;
    std::string DeepCoordinates::*text;
};
inline constexpr std::array<DeepCornerLine, 3> kDeepCornerLines{{
    {"Pstart", &DeepCoordinates::Pstart},
    {"Pfinish", &DeepCoordinates::Pfinish},
    {"Qstart", &DeepCoordinates::Qstart},
}};

// What a file defines: the six numbers, with Qfinish derived for the view it is read for, and the
// appearance.
struct FractalFileContent {
    GenerationSnapshot numbers;
    Appearance appearance;
};

// A file read: its content, or why it was refused.
struct FractalRead {
    std::optional<FractalFileContent> content;
    // The user's message for a refusal that has one ("Unknown format."); empty otherwise.
    std::string message;
    // The line that refused the file, counted from 1; 0 when the file as a whole fell short.
    long long line = 0;
};

// Reads the lines of a fractal file for a view of the given size and colour count. After the
// palette and its final empty line only the blocks are read (document/file_blocks.h). Without a
// deep view's block, or when its check line is not line 2 or its corners' nearest doubles are not
// lines 2 to 4 (the number lines were edited by hand), the file is the view of its doubles; a
// deep block that belongs to the number lines but is damaged refuses the file at its first bad
// line (its last line when it is cut short), and so does a damaged colouring block. A palette
// that is missing or cut short is not used in part: the content then has a fresh one of
// `viewColours` entries. A line longer than a line can be (it arrived in pieces) refuses the
// file: its tail would be read as the next line. Iterations below 1 refuse the file, as they do
// everywhere else.
FractalRead ReadFractalLines(std::span<const TextLine> lines, ViewSize view, int viewColours);

// A fractal file from disk: its content, or why it could not be loaded.
struct FractalLoad {
    std::optional<FractalFileContent> content;
    // The user's message for a refusal that has one ("Unknown format."); empty otherwise.
    std::string message;
    // Why, in a few words for the command line: the system's, the line that is not valid, ...
    std::string reason;
};

// Loads the fractal file at `path` for a view of the given size and colour count: a .zlt file,
// or a PNG picture that carries one under kPictureTextKeyword.
FractalLoad LoadFractalFile(const std::string& path, ViewSize view, int viewColours);

// The keyword of the PNG text that holds a picture's fractal file.
inline constexpr const char* kPictureTextKeyword = "Zolt";

// The fractal file of `def` as one text, lines ending in CR LF; empty when it has none.
std::string FractalFileText(const FractalDef& def);

// The lines of the file for `def`, without line ends; none when they could not be read back
// (a number that is not finite, a palette without storage).
std::optional<std::vector<std::string>> FractalFileLines(const FractalDef& def);

// The file name Save uses for a definition name: the name with the extension "zlt". A '/' in
// the name would put the file into another directory, so it becomes '_'.
std::string SaveFileName(std::string_view name);
// The name shown in the Save As dialog: the definition's name, made safe the same way.
std::string SafeFileStem(std::string_view name);

}  // namespace zolt

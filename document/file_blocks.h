#pragma once

// The blocks after a fractal file's palette: what later versions of Zolt add to a file without
// older versions losing it.
//
// After the palette's final empty line come zero or more blocks. Each begins with a header line
// "Zolt<Name>:<version>" (letters, a colon, decimal digits) and runs to the next header line or
// the end of the file. A reader reads the blocks it knows, in the version it knows; it skips any
// other block (an older reader, the blocks of newer versions) and refuses a damaged block of a
// kind it reads, naming the line. A block is written only when the definition has something to
// say in it, so a file without any is the file older versions wrote.
//
// The deep block ("ZoltDeep:1", a deep view's exact corners) comes first: the first readers of
// it look for it right after the palette, and take its last corner's digits up to the next
// line that holds a capital P or Q. Every later header holds one of these letters, so those
// readers stop there.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/fractal_file.h"
#include "document/text_file.h"

namespace zolt {

struct BlockHeader {
    std::string name;  // without "Zolt"
    int version = 0;
};

// The header a line is, if it is one.
std::optional<BlockHeader> ParseBlockHeader(std::string_view line);

// The file around a block, as its reader sees it.
struct BlockContext {
    std::string_view line2;  // the file's line 2, as written (a deep block's check line)
    FractalFileContent& content;
    ViewSize view;
};

// Why a known block was refused: the line, counted from 1 after its header (0: the header
// itself), and what the user is told, to which ReadFileBlocks adds the line in the file (none:
// the file's reader says which line is not valid).
struct BlockDamage {
    long long line = 0;
    std::string message = {};
};

// One kind of block. Adding one: its reader and writer, and a row in the table of
// file_blocks.cpp (after the deep block; its name must hold a capital P or Q).
struct BlockKind {
    std::string_view header;  // "ZoltName:version"
    // Reads the block's lines (its header excluded) into the content; the damage when it
    // cannot.
    std::optional<BlockDamage> (*read)(std::span<const TextLine> lines, BlockContext& context);
    // Appends the block, header included, when the definition needs it.
    void (*write)(const FractalDef& def, std::vector<std::string>& lines);
};

// The known kinds, in the order they are written.
std::span<const BlockKind> BlockKinds();

// Reads the blocks in `rest`, the lines from the palette's final empty line on, whose first line
// is line `firstLine` of the file. None when every block was read or skipped; otherwise the
// refusal, with the line counted in the file.
std::optional<BlockDamage> ReadFileBlocks(std::span<const TextLine> rest, long long firstLine,
                                          BlockContext& context);

// Appends the blocks the definition needs, after the palette's final empty line.
void AppendFileBlocks(const FractalDef& def, std::vector<std::string>& lines);

// The colouring block, for its kind's row.
std::optional<BlockDamage> ReadPaintBlock(std::span<const TextLine> lines, BlockContext& context);
void AppendPaintBlock(const FractalDef& def, std::vector<std::string>& lines);

}  // namespace zolt

#pragma once

// Gradient files of other programs, the collections users already have: Fractint colour maps
// (.map: one "red green blue" line of 0 to 255 per entry, anything after the three numbers a
// comment) and GIMP gradients (.ggr: a header, a segment count, one line of thirteen or fifteen
// numbers per segment). Reading and writing the text are pure functions; loading and saving add
// the file, bounded in size.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/colouring.h"
#include "engine/image_buffer.h"

namespace zolt {

// No colour map or gradient comes near this; a larger file is refused before it is read.
inline constexpr std::size_t kMaxGradientFileBytes = std::size_t{1} << 20;

// A gradient read, or why not: "NAME, line N: what is wrong" (or "NAME: ..." for the file as a
// whole), naming the file as the user knows it.
struct GradientRead {
    std::optional<Gradient> gradient;
    std::string error;
};

// A Fractint map: its entries, entry for entry (an Entries gradient named `name`).
GradientRead ReadMapText(std::string_view name, std::string_view text);
// A GIMP gradient: its segments as the file blends them (a Segments gradient, named as its
// "Name:" line says, or `name`).
GradientRead ReadGgrText(std::string_view name, std::string_view text);

// The gradient as a GIMP gradient's text: a Segments gradient as it is (it reads back equal);
// the others as 256 straight segments through their colours. `palette` as for GradientTable.
std::string GgrText(const Gradient& gradient, std::span<const Pixel> palette);
// The gradient as a Fractint map: the entries of a Palette or Entries gradient (they read back
// equal), 256 colours along any other.
std::string MapText(const Gradient& gradient, std::span<const Pixel> palette);

// Loads a .ggr or .map file (by its extension; otherwise by its first line).
GradientRead LoadGradientFile(const std::filesystem::path& path);
// Saves the gradient as a GIMP gradient, at once or not at all; `reason` says why not.
bool SaveGgrFile(const std::filesystem::path& path, const Gradient& gradient,
                 std::span<const Pixel> palette, std::string* reason = nullptr);

}  // namespace zolt

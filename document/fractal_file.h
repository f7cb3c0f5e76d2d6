#pragma once

#include <span>
#include <string>
#include <string_view>

#include "document/text_file.h"
#include "engine/fractal_def.h"

namespace zolt {

class CurrentFractal;
class UiSurface;

// Fractal definition files (.zlt): a version line, eight number lines, an empty line, one
// "rrggbb" line per palette entry and a final empty line, each ending in CR LF.
//
// Writing saves the current definition. Reading collects a file in a staging definition of
// its own and makes it current only when the whole file was read, so a failed load changes
// nothing. Coordinates are written with 32 significant digits and read back bit for bit.
class FractalFile : public TextFile {
  public:
    FractalFile(CurrentFractal& current, UiSurface& ui, std::string standby = HomeDirectory())
        : TextFile(std::move(standby)), current_(current), ui_(ui) {}

  protected:
    bool OnRead(TextEvent event, std::string_view text, long long number, bool& stop) override;
    bool OnWrite(TextEvent event, std::string& line, long long number, bool& stop) override;

  private:
    bool ReadHeaderLine(long long number, std::string_view text);
    bool FinishLoad(std::string_view baseName, long long lines);

    CurrentFractal& current_;
    UiSurface& ui_;

    // The load in progress.
    std::string version_;
    GenerationSnapshot staged_;
    Appearance stagedAppearance_;

    // The save in progress: the palette being written, entry by entry.
    std::span<const Rgb> writing_;
};

// The file name Save uses for a definition name: the name with the extension "zlt". A '/' in
// the name would put the file into another directory, so it becomes '_'.
std::string SaveFileName(std::string_view name);
// The name shown in the Save As dialog: the definition's name, made safe the same way.
std::string SafeFileStem(std::string_view name);

}  // namespace zolt

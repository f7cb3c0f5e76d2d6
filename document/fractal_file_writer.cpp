// Writing a fractal file.

#include <cmath>

#include "colour/colour_space.h"
#include "document/file_blocks.h"
#include "document/fractal_file.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

// "%f" as the format has it, unless that text would not come back as one line (from about
// 1e119 on); then the 32 significant digits that read back as the same value.
std::string EscapeText(double escape) {
    std::string text = FormatFixed6(escape);
    if (text.size() > kLongestReadBackLine)
        text = WriteRealText(escape);
    return text;
}

}  // namespace

std::optional<std::vector<std::string>> FractalFileLines(const FractalDef& def) {
    // A value without digits would make a file that cannot be loaded again.
    for (double value : {def.Pstart, def.Pfinish, def.Qstart, def.Escape}) {
        if (!std::isfinite(value))
            return std::nullopt;
    }
    const Appearance& appearance = def.Appearance;
    if (!appearance.Palette.HasStorage())
        return std::nullopt;
    std::vector<std::string> lines = {
        "Version:1.0",
        WriteRealText(def.Pstart),
        WriteRealText(def.Pfinish),
        WriteRealText(def.Qstart),
        FormatInt(def.Iterations),
        EscapeText(def.Escape),
        FormatInt(appearance.Monochrome ? 1 : 0),
        FormatInt(appearance.Modulation),
        FormatInt(appearance.Colours),
        "",
    };
    for (const Rgb& rgb : appearance.Palette.Entries())
        lines.push_back(RgbHexText(rgb));
    lines.emplace_back();
    AppendFileBlocks(def, lines);
    return lines;
}

std::string FractalFileText(const FractalDef& def) {
    const auto lines = FractalFileLines(def);
    return lines ? JoinTextLines(*lines).value_or(std::string()) : std::string();
}

std::string SafeFileStem(std::string_view name) {
    std::string stem(name);
    for (char& c : stem) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    return stem;
}

std::string SaveFileName(std::string_view name) {
    return SafeFileStem(name) + ".zlt";
}

}  // namespace zolt

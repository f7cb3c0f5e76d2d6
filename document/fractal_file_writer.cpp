// Writing a fractal file.

#include <cmath>

#include "document/fractal_file.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

std::string HexLine(const Rgb& rgb) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string line;
    for (std::uint8_t byte : {rgb.red, rgb.green, rgb.blue}) {
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0f];
    }
    return line;
}

// "%f" as the format has it, unless that text would not come back as one line (from about
// 1e119 on); then the 32 significant digits that read back as the same value.
std::string EscapeText(double escape) {
    std::string text = FormatFixed6(escape);
    if (text.size() > kLongestReadBackLine)
        text = WriteRealText(escape);
    return text;
}

// A deep view's exact corners, after the palette where readers that do not know them stop:
// the block's name, line 2 again (a reader that finds another line 2 knows the file was edited
// by hand and keeps to the doubles), then each corner's label and its digits, in lines that
// read back whole.
void AppendDeepBlock(const DeepCoordinates& deep, std::vector<std::string>& lines) {
    std::string check = lines[1];
    lines.emplace_back(kDeepBlockName);
    lines.push_back(std::move(check));
    for (const DeepCornerLine& corner : kDeepCornerLines) {
        const std::string& text = deep.*corner.text;
        lines.emplace_back(corner.label);
        for (std::size_t at = 0; at < text.size(); at += kLongestReadBackLine)
            lines.push_back(text.substr(at, kLongestReadBackLine));
    }
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
        lines.push_back(HexLine(rgb));
    lines.emplace_back();
    if (!def.Deep.empty())
        AppendDeepBlock(def.Deep, lines);
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

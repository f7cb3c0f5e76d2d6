// Loading a fractal file into the current definition.

#include <optional>

#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "settings/number_text.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

constexpr long long kHeaderLines = 9;
constexpr long long kSeparatorLine = 10;

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

// Characters 2i and 2i+1 of the line as a byte. A pair that is missing (a short line) or not
// two hexadecimal digits gives 0: such a line is still taken, with that component dark.
std::uint8_t HexPair(std::string_view line, std::size_t i) {
    if (line.size() < 2 * i + 2)
        return 0;
    const std::optional<int> high = HexDigit(line[2 * i]);
    const std::optional<int> low = HexDigit(line[2 * i + 1]);
    if (!high || !low)
        return 0;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

}  // namespace

bool FractalFile::OnRead(TextEvent event, std::string_view text, long long number, bool& stop) {
    switch (event) {
        case TextEvent::Begin:
            version_.clear();
            staged_ = {};
            stagedAppearance_.Colours = 0;
            stagedAppearance_.Palette.Clear();
            return true;
        case TextEvent::End:
            return FinishLoad(text, number);
        case TextEvent::LineRead:
            break;
        case TextEvent::LineWanted:
            return false;
    }
    if (number == 1) {
        // The first eight characters ("Version:") are not compared.
        version_ = text.size() > 8 ? std::string(text.substr(8)) : std::string();
        return true;
    }
    if (version_ == "0.0") {
        ui_.ShowMessage("Cannot load this format.");
        return false;
    }
    if (version_ != "1.0") {
        ui_.ShowMessage("Unknown format.");
        return false;
    }
    if (number <= kHeaderLines) {
        if (!ReadHeaderLine(number, text))
            return false;
    } else if (number > kSeparatorLine) {
        if (!stagedAppearance_.Palette.Append(
                {HexPair(text, 0), HexPair(text, 1), HexPair(text, 2)}))
            return false;
    }
    if (number == kSeparatorLine + stagedAppearance_.Colours)
        stop = true;
    return true;
}

bool FractalFile::ReadHeaderLine(long long number, std::string_view text) {
    double value = 0.0;
    if (!ParseReal(text, value))
        return false;
    switch (number) {
        case 2:
            staged_.Pstart = value;
            return true;
        case 3:
            staged_.Pfinish = value;
            return true;
        case 4:
            staged_.Qstart = value;
            staged_.Qfinish = DeriveQfinish(staged_.Pstart, staged_.Pfinish, staged_.Qstart,
                                            ui_.ViewClientSize());
            return true;
        case 5:
            return TruncateToInt(value, staged_.Iterations);
        case 6:
            // Taken as written, so that a saved Escape such as 2.500000 comes back unchanged.
            staged_.Escape = value;
            return true;
        case 7:
            stagedAppearance_.Monochrome = value == 1.0;
            return true;
        case 8:
            return TruncateToInt(value, stagedAppearance_.Modulation);
        case 9:
            // Allocate reserves nothing, so a huge count in a short file costs no memory.
            return TruncateToInt(value, stagedAppearance_.Colours) &&
                   stagedAppearance_.Colours >= 0 &&
                   stagedAppearance_.Palette.Allocate(stagedAppearance_.Colours);
        default:
            return false;
    }
}

bool FractalFile::FinishLoad(std::string_view baseName, long long lines) {
    if (lines < kHeaderLines)
        return false;
    Appearance& appearance = stagedAppearance_;
    // A missing or short palette is not used in part: the file gets a fresh one for this display.
    if (appearance.Colours == 0 || lines != kSeparatorLine + appearance.Colours) {
        appearance.Colours = ui_.ViewColourCount();
        if (!BuildPalette(appearance.Colours, appearance.Palette))
            return false;
    }
    if (!current_.SetCurrent(baseName, staged_, appearance, false, false))
        return false;
    ui_.InvalidateView();
    return true;
}

}  // namespace zolt

// Saving the current definition as a fractal file.

#include <cmath>

#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

std::string HexLine(const Rgb& rgb) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string line;
    for (std::uint8_t byte : {rgb.Red, rgb.Green, rgb.Blue}) {
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0f];
    }
    return line;
}

// "%f" as the format has it, unless that text would not come back as one line (from about
// 1e119 on); then the 32 significant digits that read back as the same value.
std::string EscapeText(double escape) {
    std::string text = FormatFixed6(escape);
    if (text.size() > TextFile::kLongestReadBackLine)
        text = WriteRealText(escape);
    return text;
}

}  // namespace

bool FractalFile::OnWrite(TextEvent event, std::string& line, long long number, bool& stop) {
    const FractalDef& def = current_.Definition();
    switch (event) {
        case TextEvent::Begin:
            writing_ = {};
            return true;
        case TextEvent::End:
            // The aspect lock is left alone: it belongs to a generation that may still run,
            // and unlocking it would let a resize or a zoom change the view under it.
            current_.Rename(line);
            current_.ClearUntitled();
            return true;
        case TextEvent::LineWanted:
            break;
        case TextEvent::LineRead:
            return false;
    }
    // A value without digits would make a file that cannot be loaded again.
    const auto real = [&line](double value) {
        line = WriteRealText(value);
        return std::isfinite(value);
    };
    switch (number) {
        case 1:
            line = "Version:1.0";
            return true;
        case 2:
            return real(def.Pstart);
        case 3:
            return real(def.Pfinish);
        case 4:
            return real(def.Qstart);
        case 5:
            line = FormatInt(def.Iterations);
            return true;
        case 6:
            line = EscapeText(def.Escape);
            return std::isfinite(def.Escape);
        case 7:
            line = FormatInt(def.Appearance.Monochrome ? 1 : 0);
            return true;
        case 8:
            line = FormatInt(def.Appearance.Modulation);
            return true;
        case 9:
            line = FormatInt(def.Appearance.Colours);
            return true;
        case 10:
            if (!def.Appearance.Palette.HasStorage())
                return false;
            writing_ = def.Appearance.Palette.Entries();
            return true;
        default:
            break;
    }
    const auto index = static_cast<std::size_t>(number - 11);
    if (index < writing_.size()) {
        line = HexLine(writing_[index]);
    } else {
        writing_ = {};
        stop = true;
    }
    return true;
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

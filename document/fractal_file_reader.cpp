// Reading a fractal file.

#include <optional>

#include "document/file_blocks.h"
#include "document/fractal_file.h"
#include "document/png_file.h"
#include "engine/deep_view.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr long long kHeaderLines = 9;
constexpr long long kSeparatorLine = 10;

// Characters 2i and 2i+1 of the line as a byte. A pair that is missing (a short line) or not
// two hexadecimal digits gives 0: such a line is still taken, with that component dark.
std::uint8_t HexPair(std::string_view line, std::size_t i) {
    if (line.size() < 2 * i + 2)
        return 0;
    const std::optional<int> high = HexDigitValue(line[2 * i]);
    const std::optional<int> low = HexDigitValue(line[2 * i + 1]);
    if (!high || !low)
        return 0;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

// Header line `number` (2 to 9) into the content; false when it is not a number of its kind.
bool ReadHeaderLine(long long number, std::string_view text, ViewSize view,
                    FractalFileContent& content) {
    GenerationSnapshot& numbers = content.numbers;
    Appearance& appearance = content.appearance;
    const std::optional<double> read = ParseReal(text);
    if (!read)
        return false;
    const double value = *read;
    const auto whole = [value](int& out) { return StoreNumber(TruncateToInt(value), out); };
    switch (number) {
        case 2:
            numbers.Pstart = value;
            return true;
        case 3:
            numbers.Pfinish = value;
            return true;
        case 4:
            numbers.Qstart = value;
            numbers.Qfinish = DeriveQfinish(numbers.Pstart, numbers.Pfinish, numbers.Qstart, view);
            return true;
        case 5:
            // As everywhere else a limit is given: at least one iteration.
            return whole(numbers.Iterations) && numbers.Iterations >= 1;
        case 6:
            // Taken as written, so that a saved Escape such as 2.500000 comes back unchanged.
            numbers.Escape = value;
            return true;
        case 7:
            appearance.Monochrome = value == 1.0;
            return true;
        case 8:
            return whole(appearance.Modulation);
        case 9:
            // Allocate reserves nothing, so a huge count in a short file costs no memory.
            return whole(appearance.Colours) && appearance.Colours >= 0 &&
                   appearance.Palette.Allocate(appearance.Colours);
        default:
            return false;
    }
}

FractalRead Refused(long long line, std::string message = {}) {
    return {std::nullopt, std::move(message), line};
}

}  // namespace

FractalRead ReadFractalLines(std::span<const TextLine> lines, ViewSize view, int viewColours) {
    FractalFileContent content;
    content.appearance.Colours = 0;
    std::string version;
    long long read = 0;
    for (const TextLine& line : lines) {
        const long long number = ++read;
        const std::string_view text = line.text;
        if (line.cut)
            return Refused(number);
        if (number == 1) {
            // The first eight characters ("Version:") are not compared.
            version = text.size() > 8 ? std::string(text.substr(8)) : std::string();
            continue;
        }
        if (version == "0.0")
            return Refused(number, "Cannot load this format.");
        if (version != "1.0")
            return Refused(number, "Unknown format.");
        if (number <= kHeaderLines) {
            if (!ReadHeaderLine(number, text, view, content))
                return Refused(number);
        } else if (number > kSeparatorLine) {
            Palette& palette = content.appearance.Palette;
            if (!palette.Append({HexPair(text, 0), HexPair(text, 1), HexPair(text, 2)}))
                return Refused(number);
        }
        // The rest of the file is only read for its blocks.
        if (number == kSeparatorLine + content.appearance.Colours) {
            const auto rest = lines.subspan(static_cast<std::size_t>(number));
            BlockContext context{lines[1].text, content, view};
            if (auto damage = ReadFileBlocks(rest, number + 1, context))
                return Refused(damage->line, std::move(damage->message));
            break;
        }
    }
    if (read < kHeaderLines)
        return Refused(0);
    Appearance& appearance = content.appearance;
    // A missing or short palette is not used in part: the file gets a fresh one for this view.
    if (appearance.Colours == 0 || read != kSeparatorLine + appearance.Colours) {
        appearance.Colours = viewColours;
        if (!BuildPalette(appearance.Colours, appearance.Palette))
            return Refused(0);
    }
    return {std::move(content), {}, 0};
}

FractalLoad LoadFractalFile(const std::string& path, ViewSize view, int viewColours) {
    std::string reason;
    std::optional<std::vector<TextLine>> lines;
    // A picture Zolt made carries its fractal file inside.
    PngTextRead picture = ReadPngText(path, kPictureTextKeyword, kMaxTextFileBytes);
    switch (picture.status) {
        case PngTextRead::Status::kFound:
            lines = SplitTextLines(picture.text);
            break;
        case PngTextRead::Status::kNoText:
            return {std::nullopt, "This picture holds no fractal.", picture.reason};
        case PngTextRead::Status::kFailed:
            return {std::nullopt, {}, picture.reason};
        case PngTextRead::Status::kNotPng:
            lines = ReadTextFile(path, &reason);
            break;
    }
    if (!lines)
        return {std::nullopt, {}, reason};
    FractalRead read = ReadFractalLines(*lines, view, viewColours);
    if (read.content)
        return {std::move(read.content), {}, {}};
    if (!read.message.empty())
        reason = read.message;
    else if (read.line > static_cast<long long>(lines->size()))
        reason = "line " + std::to_string(read.line) + " is missing";
    else if (read.line > 0 && (*lines)[static_cast<std::size_t>(read.line - 1)].cut)
        reason = "line " + std::to_string(read.line) + " is too long";
    else if (read.line > 0)
        reason = "line " + std::to_string(read.line) + " is not valid";
    else
        reason = "not a fractal file";
    return {std::nullopt, std::move(read.message), std::move(reason)};
}

}  // namespace zolt

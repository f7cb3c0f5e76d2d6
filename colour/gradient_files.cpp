#include "colour/gradient_files.h"

#include <algorithm>
#include <array>
#include <vector>

#include "colour/gradient.h"
#include "settings/number_text.h"
#include "settings/safe_file.h"

namespace zolt {

namespace {

// The colours written for a gradient that is not made of entries or segments: one per level of
// an 8-bit palette.
constexpr int kSampledColours = 256;

struct Line {
    std::string_view text;
    long long number = 0;
};

std::vector<Line> LinesOf(std::string_view text) {
    std::vector<Line> lines;
    long long number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back({line, ++number});
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

std::vector<std::string_view> WordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

// A line of a text file holds no control characters but tabs: anything else is binary.
bool IsText(std::string_view line) {
    return std::none_of(line.begin(), line.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

GradientRead Failed(std::string_view name, long long line, std::string_view why) {
    std::string error(name);
    if (line > 0)
        error += ", line " + std::to_string(line);
    return {std::nullopt, error + ": " + std::string(why)};
}

std::string StemOf(std::string_view name) {
    return std::filesystem::path(name).stem().string();
}

SegmentColour SegmentColourOf(const LinearRgb& c) {
    return {LinearToSrgb(c.red), LinearToSrgb(c.green), LinearToSrgb(c.blue), 1.0};
}

// The gradient's colours as straight segments: a Segments gradient as it is, any other through
// kSampledColours of its colours.
std::vector<GradientSegment> SegmentsOf(const Gradient& gradient, std::span<const Pixel> palette) {
    if (gradient.kind == GradientKind::Segments)
        return gradient.segments;
    std::vector<GradientSegment> segments;
    const GradientTable table(gradient, palette);
    for (int k = 0; k < kSampledColours; ++k) {
        const double left = static_cast<double>(k) / kSampledColours;
        const double right = static_cast<double>(k + 1) / kSampledColours;
        segments.push_back({left, (left + right) / 2, right, SegmentColourOf(table.Linear(left)),
                            SegmentColourOf(table.Linear(right)), SegmentBlend::Linear,
                            SegmentModel::Rgb});
    }
    return segments;
}

bool ReadSegment(std::string_view text, GradientSegment& s) {
    const std::vector<std::string_view> words = WordsOf(text);
    if (words.size() != 13 && words.size() != 15)
        return false;
    double* reals[] = {&s.left,
                       &s.middle,
                       &s.right,
                       &s.leftColour.red,
                       &s.leftColour.green,
                       &s.leftColour.blue,
                       &s.leftColour.alpha,
                       &s.rightColour.red,
                       &s.rightColour.green,
                       &s.rightColour.blue,
                       &s.rightColour.alpha};
    for (std::size_t k = 0; k < std::size(reals); ++k) {
        if (!StoreNumber(ParseReal(words[k]), *reals[k]))
            return false;
    }
    int blend = 0, model = 0;
    if (!StoreNumber(ParseInteger(words[11], 0, 5, {.sign = false}), blend) ||
        !StoreNumber(ParseInteger(words[12], 0, 2, {.sign = false}), model))
        return false;
    // The last two numbers, when there, say where the end colours come from in GIMP (its
    // foreground or background colour of the moment); pictures have neither, so the stored
    // colours are taken.
    for (std::size_t k = 13; k < words.size(); ++k) {
        if (!ParseInteger(words[k], 0, 4, {.sign = false}))
            return false;
    }
    s.blend = static_cast<SegmentBlend>(blend);
    s.model = static_cast<SegmentModel>(model);
    return true;
}

}  // namespace

GradientRead ReadMapText(std::string_view name, std::string_view text) {
    Gradient gradient{GradientKind::Entries, GradientName(StemOf(name)), {}, {}};
    std::vector<Rgb> colours;
    for (const Line& line : LinesOf(text)) {
        if (!IsText(line.text))
            return Failed(name, line.number, "not a line of text");
        const std::vector<std::string_view> words = WordsOf(line.text);
        if (words.empty())
            continue;
        std::array<int, 3> rgb{};
        for (std::size_t k = 0; k < rgb.size(); ++k) {
            if (k >= words.size() ||
                !StoreNumber(ParseInteger(words[k], 0, 255, {.sign = false}), rgb[k]))
                return Failed(name, line.number, "a colour is three numbers from 0 to 255");
        }
        if (colours.size() >= kMaxGradientStops)
            return Failed(name, line.number,
                          "more than " + std::to_string(kMaxGradientStops) + " colours");
        colours.push_back({static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]),
                           static_cast<std::uint8_t>(rgb[2])});
    }
    if (colours.empty())
        return Failed(name, 0, "no colours");
    for (std::size_t k = 0; k < colours.size(); ++k)
        gradient.stops.push_back(
            {static_cast<double>(k) / static_cast<double>(colours.size()), colours[k]});
    return {std::move(gradient), {}};
}

GradientRead ReadGgrText(std::string_view name, std::string_view text) {
    const std::vector<Line> lines = LinesOf(text);
    for (const Line& line : lines) {
        if (!IsText(line.text))
            return Failed(name, line.number, "not a line of text");
    }
    const auto trimmed = [](std::string_view s) {
        const std::size_t end = s.find_last_not_of(" \t");
        return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
    };
    if (lines.empty() || trimmed(lines[0].text) != "GIMP Gradient")
        return Failed(name, 1, "not a GIMP gradient");
    Gradient gradient{GradientKind::Segments, GradientName(StemOf(name)), {}, {}};
    std::size_t at = 1;
    if (at < lines.size() && lines[at].text.starts_with("Name:")) {
        const std::string_view own = lines[at].text.substr(5);
        const std::size_t start = own.find_first_not_of(" \t");
        if (start != std::string_view::npos)
            gradient.name = GradientName(trimmed(own.substr(start)));
        ++at;
    }
    std::size_t count = 0;
    if (at >= lines.size() ||
        !StoreNumber(ParseInteger(trimmed(lines[at].text), 1, kMaxGradientStops, {.sign = false}),
                     count))
        return Failed(
            name, at < lines.size() ? lines[at].number : at + 1,
            "the number of segments is not from 1 to " + std::to_string(kMaxGradientStops));
    ++at;
    double last = 0.0;
    for (std::size_t k = 0; k < count; ++k, ++at) {
        if (at >= lines.size())
            return Failed(name, static_cast<long long>(at + 1),
                          "the file ends before its " + std::to_string(count) + " segments");
        GradientSegment segment;
        if (!ReadSegment(lines[at].text, segment))
            return Failed(name, lines[at].number,
                          "a segment is eleven numbers, its blending (0 to 5) and its colour "
                          "model (0 to 2)");
        if (std::string problem = SegmentProblem(segment, last, k + 1 == count); !problem.empty())
            return Failed(name, lines[at].number, problem);
        last = segment.right;
        gradient.segments.push_back(segment);
    }
    return {std::move(gradient), {}};
}

std::string GgrText(const Gradient& gradient, std::span<const Pixel> palette) {
    const std::vector<GradientSegment> segments = SegmentsOf(gradient, palette);
    std::string text =
        "GIMP Gradient\nName: " + gradient.name + "\n" + std::to_string(segments.size()) + "\n";
    for (const GradientSegment& s : segments) {
        std::string line;
        for (const double v : {s.left, s.middle, s.right, s.leftColour.red, s.leftColour.green,
                               s.leftColour.blue, s.leftColour.alpha, s.rightColour.red,
                               s.rightColour.green, s.rightColour.blue, s.rightColour.alpha})
            line += WriteShortestText(v) + " ";
        text += line + std::to_string(static_cast<int>(s.blend)) + " " +
                std::to_string(static_cast<int>(s.model)) + "\n";
    }
    return text;
}

std::string MapText(const Gradient& gradient, std::span<const Pixel> palette) {
    const GradientTable table(gradient, palette);
    std::vector<Pixel> colours(table.Entries().begin(), table.Entries().end());
    for (int k = 0; colours.empty() || (table.Entries().empty() && k < kSampledColours); ++k)
        colours.push_back(table.At(static_cast<double>(k) / kSampledColours));
    std::string text;
    for (const Pixel p : colours)
        text += std::to_string((p >> 16) & 0xff) + " " + std::to_string((p >> 8) & 0xff) + " " +
                std::to_string(p & 0xff) + "\n";
    return text;
}

GradientRead LoadGradientFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::string bytes, reason;
    if (ReadRegularFile(path, kMaxGradientFileBytes, bytes, &reason) != FileRead::kOk)
        return Failed(name, 0, reason);
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool ggr = extension == ".ggr" ||
                     (extension != ".map" && std::string_view(bytes).starts_with("GIMP Gradient"));
    return ggr ? ReadGgrText(name, bytes) : ReadMapText(name, bytes);
}

bool SaveGgrFile(const std::filesystem::path& path, const Gradient& gradient,
                 std::span<const Pixel> palette, std::string* reason) {
    return WriteFileAtomically(path, GgrText(gradient, palette), reason);
}

}  // namespace zolt

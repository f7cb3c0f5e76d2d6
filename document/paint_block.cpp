// The colouring block of a fractal file ("ZoltPaint:1"): a definition's colouring, one setting a
// line ("Name value"), the gradient's stops or segments last.
//
//   ZoltPaint:1
//   Method smooth            bands, smooth, distance or relief
//   Repeat 256               iterations a pass through the gradient
//   Offset 0.25              in passes
//   Interior 000000          rrggbb
//   Thickness 1              pixels
//   Strength 1
//   Angle 45                 degrees
//   Gradient stops           palette, entries, stops or segments
//   Name Ember               when the gradient has one
//   Stop 0.3 8c1a02          entries and stops: position, rrggbb
//   Segment 0 0.5 1 0 0      segments: left, middle, right, blending, colour model,
//   Left 0 0 0 1             and the next two lines its colours: red, green, blue, opacity
//   Right 1 1 1 1
//
// Numbers are written as the shortest text that reads back as the same double, and read whatever
// the locale. A block that cannot be read whole is refused, naming its line.

#include <array>

#include "colour/colour_methods.h"
#include "colour/colour_space.h"
#include "colour/gradient.h"
#include "document/file_blocks.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr std::array<std::string_view, 4> kKinds = {"palette", "entries", "stops", "segments"};

std::string Reals(std::initializer_list<double> values) {
    std::string text;
    for (const double v : values) {
        text += ' ';
        text += WriteShortestText(v);
    }
    return text;
}

// The words of a line after its key; exactly `count` of them, or none.
std::optional<std::vector<std::string_view>> Words(std::string_view text, std::size_t count) {
    std::vector<std::string_view> words;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        words.push_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    if (words.size() != count)
        return std::nullopt;
    return words;
}

bool ReadReals(std::string_view text, std::initializer_list<double*> out) {
    const auto words = Words(text, out.size());
    if (!words)
        return false;
    std::size_t k = 0;
    for (double* value : out) {
        if (!StoreNumber(ParseReal((*words)[k++]), *value))
            return false;
    }
    return true;
}

// Reads the block into a colouring, line by line; the number of the line it stopped at (from
// 1), or 0 when it was read whole.
class PaintReader {
  public:
    long long Read(std::span<const TextLine> lines) {
        bool method = false, kind = false;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const TextLine& line = lines[k];
            const std::size_t space = line.text.find(' ');
            const std::string_view key = std::string_view(line.text).substr(0, space);
            const std::string_view value = space == std::string::npos
                                               ? std::string_view()
                                               : std::string_view(line.text).substr(space + 1);
            method = method || key == "Method";
            kind = kind || key == "Gradient";
            if (line.cut || !ReadLine(key, value))
                return static_cast<long long>(k) + 1;
        }
        // Cut short: its last line (or its header, when it has none) is where it ends.
        if (pendingColours_ != 0 || !method || !kind)
            return static_cast<long long>(lines.size());
        return 0;
    }

    Colouring colouring;

  private:
    bool ReadLine(std::string_view key, std::string_view value) {
        Gradient& gradient = colouring.gradient;
        // The two colour lines of a segment come right after it.
        if (pendingColours_ != 0) {
            SegmentColour& c = pendingColours_ == 2 ? gradient.segments.back().leftColour
                                                    : gradient.segments.back().rightColour;
            if (key != (pendingColours_ == 2 ? "Left" : "Right"))
                return false;
            --pendingColours_;
            return ReadReals(value, {&c.red, &c.green, &c.blue, &c.alpha});
        }
        if (key == "Method") {
            const auto method = MethodNamed(value);
            colouring.method = method.value_or(colouring.method);
            return method.has_value();
        }
        if (key == "Repeat")
            return ReadReals(value, {&colouring.repeat});
        if (key == "Offset")
            return ReadReals(value, {&colouring.offset});
        if (key == "Thickness")
            return ReadReals(value, {&colouring.thickness});
        if (key == "Strength")
            return ReadReals(value, {&colouring.strength});
        if (key == "Angle")
            return ReadReals(value, {&colouring.angle});
        if (key == "Interior") {
            const auto rgb = ReadRgbHex(value);
            colouring.interior = rgb.value_or(colouring.interior);
            return rgb.has_value();
        }
        if (key == "Gradient") {
            for (std::size_t k = 0; k < kKinds.size(); ++k) {
                if (kKinds[k] == value) {
                    gradient.kind = static_cast<GradientKind>(k);
                    return true;
                }
            }
            return false;
        }
        if (key == "Name") {
            gradient.name = value;
            return GradientName(value) == value;
        }
        if (key == "Stop") {
            const auto words = Words(value, 2);
            GradientStop stop;
            const auto rgb = words ? ReadRgbHex((*words)[1]) : std::nullopt;
            if (!rgb || !StoreNumber(ParseReal((*words)[0]), stop.position) ||
                gradient.stops.size() >= kMaxGradientStops)
                return false;
            stop.colour = *rgb;
            gradient.stops.push_back(stop);
            return true;
        }
        if (key == "Segment") {
            const auto words = Words(value, 5);
            GradientSegment s;
            int blend = 0, model = 0;
            if (!words || gradient.segments.size() >= kMaxGradientStops ||
                !StoreNumber(ParseReal((*words)[0]), s.left) ||
                !StoreNumber(ParseReal((*words)[1]), s.middle) ||
                !StoreNumber(ParseReal((*words)[2]), s.right) ||
                !StoreNumber(ParseInteger((*words)[3], 0, 5, {.sign = false}), blend) ||
                !StoreNumber(ParseInteger((*words)[4], 0, 2, {.sign = false}), model))
                return false;
            s.blend = static_cast<SegmentBlend>(blend);
            s.model = static_cast<SegmentModel>(model);
            gradient.segments.push_back(s);
            pendingColours_ = 2;
            return true;
        }
        return false;
    }

    int pendingColours_ = 0;
};

}  // namespace

std::optional<BlockDamage> ReadPaintBlock(std::span<const TextLine> lines, BlockContext& context) {
    PaintReader reader;
    const long long line = reader.Read(lines);
    // Settings that each read well may still not make a colouring (a repeat of 0, stops out of
    // order): the block is then refused at its header.
    if (line != 0 || !ColouringProblem(reader.colouring).empty())
        return BlockDamage{line, "The colouring in this file is damaged"};
    context.content.appearance.Colouring = std::move(reader.colouring);
    return std::nullopt;
}

void AppendPaintBlock(const FractalDef& def, std::vector<std::string>& lines) {
    const Colouring& c = def.Appearance.Colouring;
    if (IsClassicColouring(c))
        return;
    lines.emplace_back("ZoltPaint:1");
    lines.push_back("Method " + std::string(MethodName(c.method)));
    lines.push_back("Repeat" + Reals({c.repeat}));
    lines.push_back("Offset" + Reals({c.offset}));
    lines.push_back("Interior " + RgbHexText(c.interior));
    lines.push_back("Thickness" + Reals({c.thickness}));
    lines.push_back("Strength" + Reals({c.strength}));
    lines.push_back("Angle" + Reals({c.angle}));
    const Gradient& g = c.gradient;
    lines.push_back("Gradient " + std::string(kKinds[static_cast<std::size_t>(g.kind)]));
    if (!g.name.empty())
        lines.push_back("Name " + g.name);
    for (const GradientStop& stop : g.stops)
        lines.push_back("Stop" + Reals({stop.position}) + " " + RgbHexText(stop.colour));
    for (const GradientSegment& s : g.segments) {
        lines.push_back("Segment" + Reals({s.left, s.middle, s.right}) + " " +
                        std::to_string(static_cast<int>(s.blend)) + " " +
                        std::to_string(static_cast<int>(s.model)));
        const SegmentColour& l = s.leftColour;
        const SegmentColour& r = s.rightColour;
        lines.push_back("Left" + Reals({l.red, l.green, l.blue, l.alpha}));
        lines.push_back("Right" + Reals({r.red, r.green, r.blue, r.alpha}));
    }
}

}  // namespace zolt

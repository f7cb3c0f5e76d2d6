#include "colour/gradient.h"

#include <algorithm>
#include <cctype>
#include <numbers>

namespace zolt {

namespace {

Rgb RgbOf(Pixel pixel) {
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
            static_cast<std::uint8_t>(pixel)};
}

LinearRgb LinearOfRgb(Rgb rgb) {
    return {LinearOfLevel(rgb.red), LinearOfLevel(rgb.green), LinearOfLevel(rgb.blue)};
}

LinearRgb Clamped(const LinearRgb& c) {
    const auto unit = [](float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); };
    return {unit(c.red), unit(c.green), unit(c.blue)};
}

// Stops blended in Oklab, as a cycle: past the last stop the colour runs on to the first one,
// so that a gradient repeated over the counts has no seam unless its stops make one.
class StopBlend {
  public:
    explicit StopBlend(std::span<const GradientStop> stops) {
        for (const GradientStop& stop : stops) {
            positions_.push_back(stop.position);
            colours_.push_back(OklabOf(LinearOfRgb(stop.colour)));
        }
    }
    // Evenly spaced entries: entry k at k / n.
    explicit StopBlend(std::span<const Pixel> entries) {
        const double n = static_cast<double>(entries.size());
        for (std::size_t k = 0; k < entries.size(); ++k) {
            positions_.push_back(static_cast<double>(k) / n);
            colours_.push_back(OklabOf(LinearOf(entries[k])));
        }
    }

    LinearRgb At(double position) const {
        const std::size_t n = positions_.size();
        if (n == 0)
            return {};
        const auto upper = std::upper_bound(positions_.begin(), positions_.end(), position);
        const std::size_t high = static_cast<std::size_t>(upper - positions_.begin());
        // Across the wrap from the last stop to the first, the first lies one pass on.
        const std::size_t to = high % n;
        const std::size_t from = (high + n - 1) % n;
        const double start = positions_[from] - (high == 0 ? 1.0 : 0.0);
        const double end = positions_[to] + (high == n ? 1.0 : 0.0);
        const double span = end - start;
        const double t = span > 0.0 ? std::clamp((position - start) / span, 0.0, 1.0) : 1.0;
        const Oklab& a = colours_[from];
        const Oklab& b = colours_[to];
        const auto mix = [t](float x, float y) { return static_cast<float>(x + (y - x) * t); };
        return Clamped(
            LinearOf(Oklab{mix(a.lightness, b.lightness), mix(a.a, b.a), mix(a.b, b.b)}));
    }

  private:
    std::vector<double> positions_;
    std::vector<Oklab> colours_;
};

// How far a segment has gone from its left colour to its right one at relative position x,
// with its middle at relative position mid, as GIMP gradients define it.
double BlendFactor(SegmentBlend blend, double mid, double x) {
    constexpr double kTiny = 1e-10;
    const auto linear = [&] {
        if (x <= mid)
            return mid < kTiny ? 0.0 : 0.5 * x / mid;
        return 1.0 - mid < kTiny ? 1.0 : 0.5 + 0.5 * (x - mid) / (1.0 - mid);
    };
    switch (blend) {
        case SegmentBlend::Linear:
            return linear();
        case SegmentBlend::Curved:
            return std::pow(x, std::log(0.5) / std::log(std::clamp(mid, kTiny, 1.0 - kTiny)));
        case SegmentBlend::Sine:
            return (std::sin(-std::numbers::pi / 2 + std::numbers::pi * linear()) + 1.0) / 2.0;
        case SegmentBlend::SphereIncreasing: {
            const double f = linear() - 1.0;
            return std::sqrt(std::max(0.0, 1.0 - f * f));
        }
        case SegmentBlend::SphereDecreasing: {
            const double f = linear();
            return 1.0 - std::sqrt(std::max(0.0, 1.0 - f * f));
        }
        case SegmentBlend::Step:
            return x >= mid ? 1.0 : 0.0;
    }
    return linear();
}

LinearRgb SegmentColourAt(std::span<const GradientSegment> segments, double position) {
    if (segments.empty())
        return {};
    const auto found = std::find_if(segments.begin(), segments.end(),
                                    [position](const auto& s) { return position <= s.right; });
    const GradientSegment& s = found == segments.end() ? segments.back() : *found;
    const double length = s.right - s.left;
    const double x = length > 0.0 ? std::clamp((position - s.left) / length, 0.0, 1.0) : 0.5;
    const double mid = length > 0.0 ? std::clamp((s.middle - s.left) / length, 0.0, 1.0) : 0.5;
    const double f = BlendFactor(s.blend, mid, x);
    const SegmentColour& l = s.leftColour;
    const SegmentColour& r = s.rightColour;
    double red = 0, green = 0, blue = 0;
    if (s.model == SegmentModel::Rgb) {
        red = l.red + (r.red - l.red) * f;
        green = l.green + (r.green - l.green) * f;
        blue = l.blue + (r.blue - l.blue) * f;
    } else {
        const Hsv a = HsvOf(l.red, l.green, l.blue);
        const Hsv b = HsvOf(r.red, r.green, r.blue);
        Hsv hsv{0.0, a.saturation + (b.saturation - a.saturation) * f,
                a.value + (b.value - a.value) * f};
        // The hue turns the way the segment says, the short way or the long way round.
        if (s.model == SegmentModel::HsvCounterClockwise) {
            const double turn = a.hue < b.hue ? b.hue - a.hue : 1.0 - (a.hue - b.hue);
            hsv.hue = a.hue + turn * f;
        } else {
            const double turn = b.hue < a.hue ? a.hue - b.hue : 1.0 - (b.hue - a.hue);
            hsv.hue = a.hue - turn * f;
        }
        hsv.hue -= std::floor(hsv.hue);
        RgbOf(hsv, red, green, blue);
    }
    // The file's components are sRGB-encoded, as GIMP blends them.
    const auto channel = [](double v) {
        return static_cast<float>(SrgbToLinear(std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0)));
    };
    return {channel(red), channel(green), channel(blue)};
}

Rgb RgbOfSegmentColour(const SegmentColour& c) {
    const auto level = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return {level(c.red), level(c.green), level(c.blue)};
}

Gradient Preset(const char* name, std::initializer_list<GradientStop> stops) {
    return {GradientKind::Stops, name, stops, {}};
}

constexpr Rgb Hex(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

GradientEdit Refuse(std::string error) {
    return {std::nullopt, -1, std::move(error)};
}

bool UsableIndex(const Gradient& gradient, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < gradient.stops.size();
}

bool UsablePosition(double position) {
    return position >= 0.0 && position <= 1.0;  // false for NaN
}

// Inserts the stop after those at its position or before it; its index.
int Insert(std::vector<GradientStop>& stops, GradientStop stop) {
    const auto at = std::upper_bound(
        stops.begin(), stops.end(), stop.position,
        [](double position, const GradientStop& s) { return position < s.position; });
    const auto inserted = stops.insert(at, stop);
    return static_cast<int>(inserted - stops.begin());
}

// Why an edit cannot touch the gradient, if it cannot.
std::string EditProblem(const Gradient& gradient, int index) {
    if (gradient.kind != GradientKind::Stops)
        return "Only a gradient of stops can be edited.";
    if (index != -1 && !UsableIndex(gradient, index))
        return "There is no such stop.";
    return {};
}

constexpr const char* kPositionRange = "A stop's position lies from 0 to 1.";

}  // namespace

GradientTable::GradientTable(const Gradient& gradient, std::span<const Pixel> palette)
    : linear_(kSize), pixels_(kSize) {
    if (gradient.kind == GradientKind::Palette)
        entries_.assign(palette.begin(), palette.end());
    else if (gradient.kind == GradientKind::Entries)
        for (const GradientStop& stop : gradient.stops)
            entries_.push_back(MakePixel(stop.colour.red, stop.colour.green, stop.colour.blue));
    std::optional<StopBlend> blend;
    if (gradient.kind == GradientKind::Palette)
        blend.emplace(std::span<const Pixel>(entries_));
    else if (gradient.kind != GradientKind::Segments)
        blend.emplace(std::span<const GradientStop>(gradient.stops));
    for (int i = 0; i < kSize; ++i) {
        const double position = static_cast<double>(i) / kSize;
        const auto k = static_cast<std::size_t>(i);
        linear_[k] = blend ? blend->At(position) : SegmentColourAt(gradient.segments, position);
        pixels_[k] = PixelOf(linear_[k]);
    }
}

LinearRgb GradientColour(const Gradient& gradient, std::span<const Pixel> palette,
                         double position) {
    switch (gradient.kind) {
        case GradientKind::Palette:
            return StopBlend(palette).At(position);
        case GradientKind::Segments:
            return SegmentColourAt(gradient.segments, position);
        default:
            return StopBlend(std::span<const GradientStop>(gradient.stops)).At(position);
    }
}

const std::vector<Gradient>& GradientPresets() {
    static const std::vector<Gradient> presets = {
        Gradient{},  // Classic: the definition's palette
        Preset("Ember", {{0.0, Hex(0x140400)},
                         {0.3, Hex(0x8c1a02)},
                         {0.55, Hex(0xf06a0c)},
                         {0.8, Hex(0xffd45a)}}),
        Preset("Lagoon", {{0.0, Hex(0x02101f)},
                          {0.3, Hex(0x0b5a8a)},
                          {0.6, Hex(0x3ec6c2)},
                          {0.8, Hex(0xe8f6ef)}}),
        Preset("Dusk", {{0.0, Hex(0x1a0f3a)},
                        {0.35, Hex(0x7b2d8b)},
                        {0.65, Hex(0xf2716b)},
                        {0.85, Hex(0xffd7a0)}}),
        Preset("Moss", {{0.0, Hex(0x0f1a08)},
                        {0.35, Hex(0x3f6b1f)},
                        {0.65, Hex(0xb8c95a)},
                        {0.85, Hex(0xf4f1d0)}}),
        Preset("Frost", {{0.0, Hex(0x0a1230)},
                         {0.4, Hex(0x4f7fd9)},
                         {0.7, Hex(0xc9e4ff)},
                         {0.9, Hex(0xffffff)}}),
        Preset("Copper", {{0.0, Hex(0x1b0d06)},
                          {0.4, Hex(0x8a4b22)},
                          {0.7, Hex(0xe3a36f)},
                          {0.88, Hex(0xfff0dc)}}),
        Preset("Greys", {{0.0, Hex(0x000000)}, {0.5, Hex(0xffffff)}}),
        Preset("Spectrum", {{0.0, Hex(0xff3030)},
                            {0.17, Hex(0xffb000)},
                            {0.33, Hex(0xe8ff30)},
                            {0.5, Hex(0x30e070)},
                            {0.67, Hex(0x30a0ff)},
                            {0.83, Hex(0xa040ff)}}),
        Preset("Candy", {{0.0, Hex(0xff6fa8)}, {0.33, Hex(0xffd36e)}, {0.66, Hex(0x7fe3d0)}}),
    };
    return presets;
}

Gradient EditableStops(const Gradient& gradient, std::span<const Pixel> palette) {
    Gradient stops{GradientKind::Stops, gradient.name, {}, {}};
    switch (gradient.kind) {
        case GradientKind::Stops:
            return gradient;
        case GradientKind::Entries:
            stops.stops = gradient.stops;
            break;
        case GradientKind::Palette:
            for (std::size_t k = 0; k < palette.size() && k < kMaxGradientStops; ++k)
                stops.stops.push_back({static_cast<double>(k) / static_cast<double>(palette.size()),
                                       RgbOf(palette[k])});
            break;
        case GradientKind::Segments:
            for (std::size_t k = 0; k < gradient.segments.size(); ++k) {
                const GradientSegment& s = gradient.segments[k];
                const Rgb left = RgbOfSegmentColour(s.leftColour);
                // A junction where the colour jumps keeps both colours, as a hard edge.
                if (stops.stops.empty() || stops.stops.back().colour != left ||
                    stops.stops.back().position != s.left)
                    stops.stops.push_back({s.left, left});
                stops.stops.push_back({s.right, RgbOfSegmentColour(s.rightColour)});
            }
            if (stops.stops.size() > kMaxGradientStops)
                stops.stops.resize(kMaxGradientStops);
            break;
    }
    if (stops.stops.empty())
        stops.stops = {{0.0, {}}, {1.0, {255, 255, 255}}};
    return stops;
}

GradientEdit AddStop(const Gradient& gradient, double position, Rgb colour) {
    if (std::string problem = EditProblem(gradient, -1); !problem.empty())
        return Refuse(std::move(problem));
    if (!UsablePosition(position))
        return Refuse(kPositionRange);
    if (gradient.stops.size() >= kMaxGradientStops)
        return Refuse("A gradient holds at most " + std::to_string(kMaxGradientStops) + " stops.");
    Gradient edited = gradient;
    const int index = Insert(edited.stops, {position, colour});
    return {std::move(edited), index, {}};
}

GradientEdit MoveStop(const Gradient& gradient, int index, double position) {
    if (std::string problem = EditProblem(gradient, index); !problem.empty())
        return Refuse(std::move(problem));
    if (!UsablePosition(position))
        return Refuse(kPositionRange);
    Gradient edited = gradient;
    GradientStop stop = edited.stops[static_cast<std::size_t>(index)];
    edited.stops.erase(edited.stops.begin() + index);
    stop.position = position;
    const int at = Insert(edited.stops, stop);
    return {std::move(edited), at, {}};
}

GradientEdit DeleteStop(const Gradient& gradient, int index) {
    if (std::string problem = EditProblem(gradient, index); !problem.empty())
        return Refuse(std::move(problem));
    if (gradient.stops.size() <= 2)
        return Refuse("A gradient keeps at least two stops.");
    Gradient edited = gradient;
    edited.stops.erase(edited.stops.begin() + index);
    return {std::move(edited), std::min(index, static_cast<int>(edited.stops.size()) - 1), {}};
}

GradientEdit RecolourStop(const Gradient& gradient, int index, Rgb colour) {
    if (std::string problem = EditProblem(gradient, index); !problem.empty())
        return Refuse(std::move(problem));
    Gradient edited = gradient;
    edited.stops[static_cast<std::size_t>(index)].colour = colour;
    return {std::move(edited), index, {}};
}

std::string GradientName(std::string_view text) {
    std::string name;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
            name += c;
    }
    std::size_t end = std::min(name.size(), kMaxGradientName);
    while (end > 0 && end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    name.resize(end);
    return name;
}

std::string GradientProblem(const Gradient& gradient) {
    if (gradient.name != GradientName(gradient.name))
        return "The gradient's name is too long or holds control characters.";
    const bool segments = gradient.kind == GradientKind::Segments;
    const std::size_t count = segments ? gradient.segments.size() : gradient.stops.size();
    if (gradient.kind == GradientKind::Palette)
        return count == 0 && gradient.segments.empty() ? std::string()
                                                       : "The classic gradient holds no stops.";
    if (count == 0)
        return "The gradient has no colours.";
    if (count > kMaxGradientStops)
        return "A gradient holds at most " + std::to_string(kMaxGradientStops) + " stops.";
    if (!segments) {
        double last = 0.0;
        for (const GradientStop& stop : gradient.stops) {
            if (!UsablePosition(stop.position) || stop.position < last)
                return "The stops' positions must run from 0 to 1 in order.";
            last = stop.position;
        }
        return {};
    }
    double last = 0.0;
    for (const GradientSegment& s : gradient.segments) {
        if (std::string problem = SegmentProblem(s, last, &s == &gradient.segments.back());
            !problem.empty()) {
            problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
            return problem + ".";
        }
        last = s.right;
    }
    return {};
}

std::string SegmentProblem(const GradientSegment& s, double previousRight, bool last) {
    // GIMP writes each junction twice with the same digits; a hand-made file may differ in the
    // last of them.
    constexpr double kJunction = 1e-6;
    const bool ordered = std::fabs(s.left - previousRight) <= kJunction && s.left <= s.middle &&
                         s.middle <= s.right && s.right <= 1.0 &&
                         (!last || std::fabs(s.right - 1.0) <= kJunction);
    if (!ordered)
        return "the segments must cover 0 to 1 in order, each with its middle inside it";
    for (const SegmentColour* c : {&s.leftColour, &s.rightColour}) {
        for (const double v : {c->red, c->green, c->blue, c->alpha})
            if (!std::isfinite(v))
                return "a segment's colour is not a number";
    }
    return {};
}

std::string ColouringProblem(const Colouring& colouring) {
    if (!(colouring.repeat > 0.0 && colouring.repeat <= 1e9))
        return "The repeat length must be above 0 and at most 1000000000 iterations.";
    if (!std::isfinite(colouring.offset))
        return "The offset must be a number.";
    if (!(colouring.thickness > 0.0 && colouring.thickness <= 1000.0))
        return "The thickness must be above 0 and at most 1000 pixels.";
    if (!(colouring.strength >= 0.0 && colouring.strength <= 100.0))
        return "The relief's strength must be from 0 to 100.";
    if (!std::isfinite(colouring.angle))
        return "The light's angle must be a number.";
    return GradientProblem(colouring.gradient);
}

}  // namespace zolt

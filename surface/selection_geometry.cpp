#include "surface/selection_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/deep_view.h"
#include "engine/image_buffer.h"

namespace zolt {

namespace {

constexpr int kMinimumSide = 10;

// Truncates toward zero, kept within int so that an extreme ratio cannot overflow.
int Trunc(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    return static_cast<int>(std::trunc(std::clamp(value, kMin, kMax)));
}

// Whether a zoom from `source`, shown in an image `imageWidth` pixels wide, to `zoomed` needs
// exact arithmetic: when either view is finer than doubles resolve.
bool NeedsExactZoom(const GenerationSnapshot& source, int imageWidth,
                    const GenerationSnapshot& zoomed, ViewSize clientNow) {
    return !source.Deep.empty() || NeedsDeep(source, imageWidth) ||
           NeedsDeep(zoomed, clientNow.width);
}

// The view whose left, top and right edges lie at pixel coordinates left, top and right of the
// image `frame` describes, generated from `source`, computed on exact decimal corners.
std::optional<GenerationSnapshot> ExactZoom(const SelectionFrame& frame,
                                            const GenerationSnapshot& source, double left,
                                            double top, double right, ViewSize clientNow) {
    const auto corners = ExactCorners(source);
    if (!corners)
        return std::nullopt;
    const DeepView view{corners->Pstart, corners->Pfinish,  corners->Qstart, frame.iw,
                        frame.ih,        source.Iterations, source.Escape};
    const auto zoomed = ZoomDeepView(view, left, top, right, clientNow.width, clientNow.height);
    GenerationSnapshot numbers = source;
    if (!zoomed ||
        !SetExactCorners(numbers, {zoomed->pstart, zoomed->pfinish, zoomed->qstart}, clientNow))
        return std::nullopt;
    return numbers;
}

}  // namespace

SelectionFrame FrameAtPress(int x, int y, ViewSize client, const ImageInfo& image) {
    SelectionFrame frame;
    frame.x0 = x;
    frame.y0 = y;
    if (image.created && image.width > 0 && image.height > 0) {
        const AxisPlacement h = PlaceAxis(client.width, image.width);
        const AxisPlacement v = PlaceAxis(client.height, image.height);
        frame.ox = h.offset;
        frame.oy = v.offset;
        frame.vw = std::min(image.width, client.width);
        frame.vh = std::min(image.height, client.height);
        frame.iw = image.width;
        frame.ih = image.height;
    } else {
        frame.vw = frame.iw = client.width;
        frame.vh = frame.ih = client.height;
    }
    return frame;
}

std::optional<SelectionBox> SelectionRect(const SelectionFrame& f, int x, int y,
                                          ViewSize clientNow) {
    // A view that has no area now has no proportions to keep.
    if (f.vw <= 0 || clientNow.width <= 0 || clientNow.height <= 0)
        return std::nullopt;
    const double r = static_cast<double>(clientNow.height) / clientNow.width;

    SelectionBox box;
    box.left = std::max(std::min(f.x0, x), f.ox);
    box.top = std::max(std::min(f.y0, y), f.oy);
    box.width = std::max(f.x0, x) - box.left;
    box.height = Trunc(box.width * r);

    if (box.left + box.width > f.ox + f.vw) {
        box.width = f.ox + f.vw - box.left;
        box.height = Trunc(box.width * r);
    }
    // Cut at the bottom of the image: a drag to the left keeps its right edge at the press.
    if (box.top + box.height > f.oy + f.vh) {
        box.height = f.oy + f.vh - box.top;
        box.width = Trunc(box.height / r);
        if (x <= f.x0)
            box.left = f.x0 - box.width;
    }
    if (box.width < kMinimumSide) {
        box.width = kMinimumSide;
        box.height = Trunc(kMinimumSide * r);
    } else if (box.height < kMinimumSide) {
        box.height = kMinimumSide;
        box.width = Trunc(kMinimumSide / r);
        if (x <= f.x0)
            box.left = f.x0 - box.width;
    }
    return box;
}

std::optional<GenerationSnapshot> ZoomedAbout(const SelectionFrame& frame, int x, int y,
                                              double factor, const GenerationSnapshot& source,
                                              ViewSize clientNow) {
    return MovedView(frame, {x, y}, {x, y}, factor, source, clientNow);
}

std::optional<GenerationSnapshot> MovedView(const SelectionFrame& frame, ViewPoint from,
                                            ViewPoint to, double factor,
                                            const GenerationSnapshot& source, ViewSize clientNow) {
    if (frame.iw <= 0 || clientNow.width <= 0 || !(factor > 0))
        return std::nullopt;
    // The point under `from`, as the renderer computes its pixel.
    const double dx = (source.Pfinish - source.Pstart) / frame.iw;
    const double cr = static_cast<double>(from.x - frame.ox) * dx + source.Pstart;
    const double ci = static_cast<double>(from.y - frame.oy) * dx + source.Qstart;
    const double step = dx / factor;
    GenerationSnapshot zoomed = source;
    zoomed.Pstart = cr - to.x * step;
    zoomed.Qstart = ci - to.y * step;
    zoomed.Pfinish = zoomed.Pstart + clientNow.width * step;
    zoomed.Qfinish = DeriveQfinish(zoomed.Pstart, zoomed.Pfinish, zoomed.Qstart, clientNow);
    if (NeedsExactZoom(source, frame.iw, zoomed, clientNow)) {
        const double left = (from.x - frame.ox) - to.x / factor;
        const double top = (from.y - frame.oy) - to.y / factor;
        return ExactZoom(frame, source, left, top, left + clientNow.width / factor, clientNow);
    }
    if (!std::isfinite(zoomed.Pstart) || !std::isfinite(zoomed.Pfinish) ||
        !std::isfinite(zoomed.Qstart) || zoomed.Pfinish == zoomed.Pstart)
        return std::nullopt;
    return zoomed;
}

std::optional<GenerationSnapshot> ZoomedNumbers(const SelectionFrame& frame,
                                                const SelectionBox& box,
                                                const GenerationSnapshot& source,
                                                ViewSize clientNow) {
    if (frame.iw <= 0 || frame.ih <= 0)
        return std::nullopt;
    const double f = box.left - frame.ox;
    const double g = box.top - frame.oy;
    const double p0 = source.Pstart;
    const double p1 = source.Pfinish;
    const double q0 = source.Qstart;
    const double q1 = source.Qfinish;

    GenerationSnapshot zoomed;
    zoomed.Pstart = p0 + (f / frame.iw) * (p1 - p0);
    zoomed.Pfinish = p0 + ((f + box.width) / frame.iw) * (p1 - p0);
    zoomed.Qstart = q0 + (g / frame.ih) * (q1 - q0);
    zoomed.Qfinish = DeriveQfinish(zoomed.Pstart, zoomed.Pfinish, zoomed.Qstart, clientNow);
    zoomed.Iterations = source.Iterations;
    zoomed.Escape = source.Escape;
    if (NeedsExactZoom(source, frame.iw, zoomed, clientNow))
        return ExactZoom(frame, source, f, g, f + box.width, clientNow);
    return zoomed;
}

}  // namespace zolt

#include "commands/zoom_selection.h"

#include <cmath>

#include "document/current_fractal.h"
#include "engine/deep_view.h"
#include "generation/generator.h"
#include "generation/view_refusal.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// A zoomed view is generated as Generate does: recorded, the iterations raised.
constexpr GenerateOptions kZoomGenerated{.push = true, .increment = true};

}  // namespace

bool ZoomSelection::Takes(const std::optional<GenerationSnapshot>& view,
                          const GenerationSnapshot& source) {
    if (view)
        return generator_.Accepts(*view, kZoomGenerated);
    // The frame and the view have an area here, so the coordinates themselves could not be
    // written: a deep view's take more digits than it may hold, a shallow one's left the doubles.
    const std::string reason = source.Deep.empty() && std::isfinite(source.Pfinish - source.Pstart)
                                   ? "coordinates beyond the largest numbers"
                                   : kLongCoordinates;
    ui_.ShowMessage(ViewRefusalMessage(reason));
    return false;
}

bool ZoomSelection::Allowed() const {
    return current_.Initialized() && !current_.Definition().AspectLocked && !generator_.IsRunning();
}

bool ZoomSelection::BeginSelection(int x, int y) {
    if (!Allowed())
        return false;
    ImageInfo image;
    if (!generator_.GetImage(image))
        image = {};
    frame_ = FrameAtPress(x, y, ui_.ViewClientSize(), image);
    marker_ = {};
    selecting_ = true;
    return true;
}

bool ZoomSelection::TrackSelection(int x, int y) {
    if (!selecting_)
        return false;
    if (!Allowed())
        return CancelSelection();
    const auto box = SelectionRect(frame_, x, y, ui_.ViewClientSize());
    if (!box || *box == marker_)
        return false;
    marker_ = *box;
    return true;
}

bool ZoomSelection::EndSelection(int x, int y) {
    if (!selecting_)
        return false;
    if (!Allowed()) {
        CancelSelection();
        return false;
    }
    selecting_ = false;
    const ViewSize client = ui_.ViewClientSize();
    const auto box = SelectionRect(frame_, x, y, client);
    if (!box)
        return false;

    ImageInfo image;
    const GenerationSnapshot source = ShownView(image);
    if (frame_.iw <= 0 || frame_.ih <= 0)
        return false;
    const auto zoomed = ZoomedNumbers(frame_, *box, source, client);
    // The next Generate would be refused: the zoom is, now, and says why.
    if (!Takes(zoomed, source))
        return false;
    marker_ = *box;
    current_.SetNumbers(*zoomed);
    // The old picture stays until the user generates the new view.
    generator_.Ready({});
    return true;
}

bool ZoomSelection::WheelZoom(int x, int y, int steps) {
    return steps != 0 && MoveAndGenerate({x, y}, {x, y}, std::ldexp(1.0, steps));
}

bool ZoomSelection::Pan(ViewPoint from, ViewPoint to) {
    return (from.x != to.x || from.y != to.y) && MoveAndGenerate(from, to, 1.0);
}

bool ZoomSelection::PanByQuarters(int columns, int rows) {
    const ViewSize client = ui_.ViewClientSize();
    const ViewPoint centre{client.width / 2, client.height / 2};
    // The view moving right means the picture moving left under it.
    return Pan(centre,
               {centre.x - columns * client.width / 4, centre.y - rows * client.height / 4});
}

bool ZoomSelection::ZoomAtCentre(int steps) {
    const ViewSize client = ui_.ViewClientSize();
    return WheelZoom(client.width / 2, client.height / 2, steps);
}

bool ZoomSelection::MoveAndGenerate(ViewPoint from, ViewPoint to, double factor) {
    if (selecting_ || !current_.Initialized() || !generator_.Initialised())
        return false;
    const ViewSize client = ui_.ViewClientSize();
    ImageInfo image;
    const GenerationSnapshot source = ShownView(image);
    const SelectionFrame frame = FrameAtPress(from.x, from.y, client, image);
    if (frame.iw <= 0 || client.width <= 0)
        return false;
    const auto moved = MovedView(frame, from, to, factor, source, client);
    if (!Takes(moved, source))
        return false;
    current_.SetNumbers(*moved);
    generator_.Generate(kZoomGenerated);
    return true;
}

GenerationSnapshot ZoomSelection::ShownView(ImageInfo& image) const {
    GenerationSnapshot shown = NumbersOf(current_.Definition());
    if (generator_.GetImage(image) && image.created)
        generator_.GetSnapshot(shown);
    return shown;
}

bool ZoomSelection::CancelSelection() {
    const bool was = selecting_;
    selecting_ = false;
    marker_ = {};
    return was;
}

}  // namespace zolt

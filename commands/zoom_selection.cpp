#include "commands/zoom_selection.h"

#include <cmath>

#include "document/current_fractal.h"
#include "generation/generator.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// A zoomed view is generated as Generate does: recorded, the iterations raised.
constexpr GenerateOptions kZoomGenerated{.push = true, .increment = true};

}  // namespace

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
    const auto zoomed = ZoomedNumbers(frame_, *box, ShownView(image), client);
    // The next Generate would be refused: the zoom is, now, and says why.
    if (!zoomed || !generator_.Accepts(*zoomed, kZoomGenerated))
        return false;
    marker_ = *box;
    current_.SetNumbers(*zoomed);
    // The old picture stays until the user generates the new view.
    generator_.Ready({});
    return true;
}

bool ZoomSelection::WheelZoom(int x, int y, int steps) {
    if (steps == 0 || selecting_ || !current_.Initialized() || !generator_.Initialised())
        return false;
    const ViewSize client = ui_.ViewClientSize();
    ImageInfo image;
    const GenerationSnapshot source = ShownView(image);
    const SelectionFrame frame = FrameAtPress(x, y, client, image);
    const auto zoomed = ZoomedAbout(frame, x, y, std::ldexp(1.0, steps), source, client);
    if (!zoomed || !generator_.Accepts(*zoomed, kZoomGenerated))
        return false;
    current_.SetNumbers(*zoomed);
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

#include "commands/colouring_preview.h"

#include <new>

#include "commands/workspace.h"
#include "engine/offscreen_image.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// The most a colouring reads: with these samples every method recolours.
constexpr SampleLevel kEveryMethod = SampleLevel::Distance;

Colouring ReadingEverything() {
    Colouring colouring;
    colouring.method = ColourMethod::Distance;
    return colouring;
}

}  // namespace

ColouringPreview::ColouringPreview(Workspace& workspace)
    : work_(workspace), original_(workspace.current.Definition().Appearance.Colouring) {
    const Appearance& appearance = work_.current.Definition().Appearance;
    palette_ = appearance.Monochrome
                   ? std::vector<Pixel>{MakePixel(0, 0, 0), MakePixel(255, 255, 255)}
                   : BuildLogicalPalette(work_.ui.ViewColourCount(), appearance.Palette);

    Generator& generator = work_.generator;
    generator.SetSampleFloor(kEveryMethod);
    ImageInfo image;
    const bool shown = (generator.GetImage(image) && image.created) || generator.IsRunning();
    GenerationSnapshot numbers;
    const bool ofView =
        generator.GetSnapshot(numbers) && numbers == NumbersOf(work_.current.Definition());
    if (shown && generator.ChangeFor(ReadingEverything()) == Generator::ColouringChange::Recolour)
        picture_ = Picture::Recolours;
    else if (shown && ofView)
        picture_ = Picture::Regenerates;
}

ColouringPreview::~ColouringPreview() {
    if (!ended_)
        Restore();
    work_.generator.SetSampleFloor(std::nullopt);
}

bool ColouringPreview::Show(const Colouring& colouring) {
    if (!work_.current.SetColouring(colouring))
        return false;
    Generator& generator = work_.generator;
    if (generator.ChangeFor(colouring) == Generator::ColouringChange::Recolour &&
        generator.Recolour())
        return true;
    // Only the picture shown is drawn again: a view the user has zoomed to but not generated
    // yet is left to the Generate that records it in the history.
    GenerationSnapshot numbers;
    if (picture_ != Picture::Waits && generator.GetSnapshot(numbers) &&
        numbers == NumbersOf(work_.current.Definition()))
        generator.Generate({});
    return true;
}

void ColouringPreview::Keep() {
    ended_ = true;
    NavigationHistory& history = work_.history;
    if (history.Count() == 0 || history.Current() < 1)
        return;
    try {
        history.Entry(history.Current()).Appearance.Colouring =
            work_.current.Definition().Appearance.Colouring;
    } catch (const std::bad_alloc&) {
        // The entry keeps the colouring it had; the definition has the new one all the same.
    }
}

void ColouringPreview::Restore() {
    ended_ = true;
    if (work_.current.Definition().Appearance.Colouring != original_)
        Show(original_);
}

}  // namespace zolt

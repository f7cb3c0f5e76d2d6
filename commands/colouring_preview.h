#pragma once

#include <vector>

#include "engine/colouring.h"
#include "engine/image_buffer.h"

namespace zolt {

class Workspace;

// View > Colouring's work on the document while its dialog is open: every colouring the user
// tries is given to the current definition and shown on the picture at once, by recolouring
// the samples the picture keeps; Keep ends with the last one tried, Restore (and leaving without
// Keep) with the colouring and the picture there were.
//
// While it lasts, every generation keeps all the samples a colouring reads, so that after at
// most one new generation of the picture shown, moving between the methods needs no counting.
// It ends by dropping that floor again: a picture in the classic colouring is then computed at
// its old speed, without samples, until the colouring is next edited.
class ColouringPreview {
  public:
    // What the picture shown does when the colouring changes.
    enum class Picture {
        Recolours,    // it keeps every sample a colouring reads: each change shows at once
        Regenerates,  // it lacks some: the first change that needs them draws it again, once
        Waits,        // there is none of the definition's view: the next generation shows it
    };

    explicit ColouringPreview(Workspace& workspace);
    ~ColouringPreview();
    ColouringPreview(const ColouringPreview&) = delete;
    ColouringPreview& operator=(const ColouringPreview&) = delete;

    // The colouring the definition had when the preview began.
    const Colouring& Original() const { return original_; }
    Picture Shown() const { return picture_; }
    // The colours of the classic gradient as the view shows them: the definition's palette, or
    // black and white for monochrome bands.
    const std::vector<Pixel>& Palette() const { return palette_; }

    // Gives the definition `colouring` and shows it: recoloured, or the picture drawn again when
    // its samples lack what the colouring reads. False, changing nothing, for a colouring the
    // definition refuses.
    bool Show(const Colouring& colouring);
    // The colouring shown stays. The view recorded in the history as the current one takes it
    // too, so that Back and Forward come back to the view as the user left it.
    void Keep();
    // The original colouring comes back, on the picture too.
    void Restore();

  private:
    Workspace& work_;
    Colouring original_;
    std::vector<Pixel> palette_;
    Picture picture_ = Picture::Waits;
    bool ended_ = false;
};

}  // namespace zolt

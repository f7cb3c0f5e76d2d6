#pragma once

#include <mutex>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/palette.h"

namespace zolt {

// The colour table of an image: the palette's first entries, at most as many as the display
// offers.
std::vector<Pixel> BuildLogicalPalette(int displayColours, const Palette& palette);

// The picture a generation draws into, with its colour table.
//
// The generation thread draws while the user-interface thread paints from it, so every access
// to `buffer` goes through `mutex`: the renderer holds it per filled row of blocks, a painter
// for one copy. The colour table is set when the image is created, before any pass runs, and
// only read afterwards.
struct OffscreenImage {
    mutable std::mutex mutex;
    ImageBuffer buffer;
    std::vector<Pixel> colours;
    int colourCount = 0;  // entries of `colours`; 0 in monochrome mode
    bool created = false;
};

// A copy of the image's record without its pixels.
struct ImageInfo {
    bool created = false;
    int width = 0;
    int height = 0;
    int colourCount = 0;
};

ImageInfo DescribeImage(const OffscreenImage& image);

// Gives the image width x height pixels of dark grey, the view's background, and its colour
// table; an empty image on failure.
bool CreateImage(OffscreenImage& image, int width, int height, int displayColours, bool monochrome,
                 const Palette& palette);
void DestroyImage(OffscreenImage& image);

// Copies the image into a view of the target's size by the placement rule (PlaceAxis), leaving
// the target's other pixels as they are. It takes the image's lock one
// row at a time: a painter never holds up the threads of a pass for a whole frame. A copy that
// finds the image replaced part way stops there; the replacement is shown by the next one.
void PaintImage(const OffscreenImage& image, const PixelTarget& target);

}  // namespace zolt

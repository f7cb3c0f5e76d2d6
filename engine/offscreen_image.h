#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/palette.h"
#include "engine/point_samples.h"

namespace zolt {

// The colour table of an image: the palette's first entries, at most as many as the display
// offers.
std::vector<Pixel> BuildLogicalPalette(int displayColours, const Palette& palette);

// The picture a generation draws into, with its colour table, the samples of its points (when
// it keeps them, so that it can be coloured again without counting again) and the shader that
// colours them (none: the passes colour by the count alone).
//
// The generation thread draws while the user-interface thread paints from it, so every access
// to `buffer`, `samples` and `shader` goes through `mutex`: the renderer holds it per filled row
// of blocks, a painter for one copy. The colour table is set when the image is created, before
// any pass runs, and only read afterwards.
struct OffscreenImage {
    mutable std::mutex mutex;
    ImageBuffer buffer;
    std::vector<Pixel> colours;
    int colourCount = 0;  // entries of `colours`; 0 in monochrome mode
    bool created = false;
    SamplePlanes samples;
    std::shared_ptr<const SampleShader> shader;
    std::uint64_t serial = 0;  // changes whenever the image is created or destroyed
};

// What a new image keeps beside its pixels, and what colours them.
struct ImageSamples {
    bool keep = false;                           // planes of the samples
    SampleLevel level = SampleLevel::Counts;     // which ones
    std::shared_ptr<const SampleShader> shader;  // none: the passes' count rule
};

// A copy of the image's record without its pixels.
struct ImageInfo {
    bool created = false;
    int width = 0;
    int height = 0;
    int colourCount = 0;
};

ImageInfo DescribeImage(const OffscreenImage& image);

// Gives the image width x height pixels of dark grey, the view's background, its colour table,
// and its samples' planes and shader; an empty image on failure.
bool CreateImage(OffscreenImage& image, int width, int height, int displayColours, bool monochrome,
                 const Palette& palette, const ImageSamples& samples = {});
void DestroyImage(OffscreenImage& image);

// Copies the image into a view of the target's size by the placement rule (PlaceAxis), leaving
// the target's other pixels as they are. It takes the image's lock one
// row at a time: a painter never holds up the threads of a pass for a whole frame. A copy that
// finds the image replaced part way stops there; the replacement is shown by the next one.
void PaintImage(const OffscreenImage& image, const PixelTarget& target);

}  // namespace zolt

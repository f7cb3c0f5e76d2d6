#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/png_file.h"
#include "engine/fractal_def.h"
#include "engine/render_pass.h"
#include "engine/view_counter.h"

namespace zolt {

// A picture of a view at any size, for zolt-render and File > Export Image: computed on all
// threads in bands of rows, each band streamed into the PNG file as soon as it is done, so that
// memory stays a band or two whatever the size.
//
// Supersampled N x N, the counter counts the view N times larger (N times the width and the
// height), whose rows each band computes in turn; every pixel of the picture is the average in
// linear light of its N x N samples. The picture is then exactly the box filter of that larger
// picture, and the memory still a band's.
struct PictureRequest {
    const PointCounter* counter = nullptr;  // the view's points at the samples' size
    ColourRule colour = {};                 // colours the points when there is no shader
    std::shared_ptr<const SampleShader> shader = {};
    SampleLevel samples = SampleLevel::Counts;  // computed of each point, at the least
    int supersample = 1;                        // samples along each side of a pixel
    int width = 0;
    int height = 0;
    std::vector<PngText> texts = {};
    int threads = 1;           // the calling thread included
    int priority = 0;          // a GeneratePriority for the threads; 0 leaves theirs
    int bandRows = 0;          // rows a band; 0: BandRows(width x supersample^2)
    bool keepSamples = false;  // the bands keep their samples' planes for the sink
    int firstRow = 0;          // the rows computed: `rows` from `firstRow`, or all of them when 0
    int rows = 0;
};

// Rows of a band for pictures `width` pixels wide: about four million pixels, at least one row.
int BandRows(int width);

// The most samples along each side of a pixel.
inline constexpr int kMaxSupersample = 8;

// A band of a picture as it is done: its pixels (`pixels.height` rows from `firstRow`) and the
// band of samples they come from, `supersample` times as wide and high, with its planes when
// the request keeps them.
struct PictureBand {
    int firstRow = 0;
    const ImageBuffer& pixels;
    const OffscreenImage& samples;
};

// Computes the picture band by band, calling `sink` with each one on the calling thread (the
// sink returns false, with `reason`, to end the picture there) and `progress` with the rows
// done as each row is finished (from whichever thread finished it, one call at a time). False
// when it could not be computed or was cancelled ("cancelled") or the sink refused a band.
using BandSink = std::function<bool(const PictureBand& band)>;
bool RenderPictureBands(const PictureRequest& request, const std::atomic<bool>* cancel,
                        const BandSink& sink, const std::function<void(int rowsDone)>& progress,
                        std::string& reason);

// Writes the picture to `path`, calling `progress` with the rows done as each row is finished
// (from whichever thread of the picture finished it, one call at a time). False when the picture
// could not be written or `cancel` was set: no file is left behind and the target is as it was;
// `reason` then says why ("cancelled" when cancelled).
bool WritePicture(const PictureRequest& request, const std::filesystem::path& path,
                  AtomicFile::Fifo fifo, const std::atomic<bool>* cancel,
                  const std::function<void(int rowsDone)>& progress, std::string& reason);

// The largest side of a picture.
inline constexpr int kMaxPictureSide = 65536;

// A picture of a whole definition, as zolt-render and File > Export Image make it: the view
// counted as a generation counts it at the picture's size (the deep engine where doubles no
// longer resolve it), coloured as the definition says with a display of `displayColours`, its
// fractal file inside.
struct DefinitionPicture {
    int width = 0;
    int height = 0;
    int supersample = 1;  // samples along each side of a pixel, 1 to kMaxSupersample
    int displayColours = 256;
    int threads = 1;   // the calling thread included
    int priority = 0;  // a GeneratePriority for the threads; 0 leaves theirs
    const std::atomic<bool>* cancel = nullptr;
    // A deep view's reference: how much of it is computed, and the most memory it takes.
    std::function<void(double fraction, std::uint64_t bytes)> referenceProgress = {};
    // At 0 rows once the rows begin, then as WritePicture calls its progress.
    std::function<void(int rowsDone)> rowProgress = {};
};

struct PictureOutcome {
    bool written = false;
    // The view itself cannot be drawn (ViewRefusal), rather than the file not written.
    bool refused = false;
    ViewCounter::Kind kind = ViewCounter::Kind::Plain;  // how the view was counted
    std::string reason;                                 // why it was not written
};

// A definition's picture made ready to compute, as WriteDefinitionPicture computes it: the
// request, and the counter and colour table it refers to (so it is neither copied nor moved).
// Others who need the picture itself (a movie's keyframes, an OpenEXR file) render its bands
// from here, so that their pixels are those of the PNG picture, bit for bit.
struct PreparedPicture {
    ViewCounter counter;
    std::vector<Pixel> colours;
    PictureRequest request;  // without texts
};

// Refuses the view as WriteDefinitionPicture does, or prepares its counter (a deep view's
// reference, told to `picture.referenceProgress`) and the request. False, with `outcome` saying
// why ("cancelled" when cancelled), when the picture cannot be computed; `outcome.kind` tells
// the counter chosen.
bool PrepareDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                              PreparedPicture& prepared, PictureOutcome& outcome);

// Nothing is written for a view that cannot be drawn: the outcome is refused, with the reason.
PictureOutcome WriteDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                                      const std::filesystem::path& path, AtomicFile::Fifo fifo);

// The picture WriteDefinitionPicture writes, its `rows` rows from `firstRow` handed to `sink`
// band by band instead: for a picture computed in parts, each by a process of its own.
PictureOutcome RenderDefinitionRows(const FractalDef& def, const DefinitionPicture& picture,
                                    int firstRow, int rows, const BandSink& sink);

// The texts a picture of `def` carries: its fractal file, and the program that made it.
std::vector<PngText> PictureTexts(const FractalDef& def);

}  // namespace zolt

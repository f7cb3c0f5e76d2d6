#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
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
struct PictureRequest {
    const PointCounter* counter = nullptr;  // the view's points at the picture's size
    ColourRule colour = {};
    int width = 0;
    int height = 0;
    std::vector<PngText> texts = {};
    int threads = 1;   // the calling thread included
    int priority = 0;  // a GeneratePriority for the threads; 0 leaves theirs
    int bandRows = 0;  // rows a band; 0: BandRows(width)
};

// Rows of a band for pictures `width` pixels wide: about four million pixels, at least one row.
int BandRows(int width);

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
// longer resolve it), in the colours of a display of `displayColours`, its fractal file inside.
struct DefinitionPicture {
    int width = 0;
    int height = 0;
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

// Nothing is written for a view that cannot be drawn: the outcome is refused, with the reason.
PictureOutcome WriteDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                                      const std::filesystem::path& path, AtomicFile::Fifo fifo);

}  // namespace zolt

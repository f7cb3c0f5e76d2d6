#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "document/png_file.h"
#include "engine/render_pass.h"

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

// Writes the picture to `path`, calling `progress` with the rows done after every band, on the
// calling thread. False when the picture could not be written or `cancel` was set: no file is
// left behind and the target is as it was; `reason` then says why ("cancelled" when cancelled).
bool WritePicture(const PictureRequest& request, const std::filesystem::path& path,
                  AtomicFile::Fifo fifo, const std::atomic<bool>* cancel,
                  const std::function<void(int rowsDone)>& progress, std::string& reason);

}  // namespace zolt

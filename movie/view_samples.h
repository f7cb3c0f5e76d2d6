#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/fractal_def.h"
#include "engine/image_buffer.h"
#include "engine/view_counter.h"

namespace zolt {

// The one door through which movies and OpenEXR pictures get the pixels of a view: its colours
// as a picture of the definition shows them, anti-aliased when asked, and for OpenEXR the data
// other programs colour from. Everything else in movie/ works on what this gives.

// What each pixel holds for OpenEXR: the escape-time count of the pixel's own point (the first
// of its samples), and beside it the smooth fraction and the direction of the distance
// estimate, which the count alone cannot give: those planes hold zeros.
struct PixelData {
    std::vector<std::uint32_t> count;  // kInteriorCount for points that never escaped
    std::vector<float> fraction;
    std::vector<float> distanceX;
    std::vector<float> distanceY;
};

inline constexpr std::uint32_t kInteriorCount = 0xFFFFFFFFu;

struct SampleRequest {
    int width = 0;
    int height = 0;
    int supersample = 1;  // N x N samples a pixel, averaged in linear light
    int displayColours = 256;
    bool data = false;  // also fill the PixelData
    int threads = 1;    // the calling thread included
    int priority = 0;   // a GeneratePriority for the helper threads; 0 leaves theirs
    const std::atomic<bool>* cancel = nullptr;
    // Rows done out of `height`, from the calling thread, now and then.
    std::function<void(int rowsDone)> rowProgress = {};
    // A deep view's reference orbit, before any row: the fraction computed, and the most memory
    // it takes.
    std::function<void(double fraction, std::uint64_t bytes)> referenceProgress = {};
};

// Computes views one after another, keeping what one view can pass to the next.
class ViewSampler {
  public:
    // Makes the view of `def` ready for Rows: chooses its counter (the deep engine where doubles
    // do not resolve the supersampled grid) and prepares a deep view's reference. A view that
    // cannot be drawn is refused as a picture of it is (ViewRefusal); `reason` says why, or
    // "cancelled".
    enum class Status { Ready, Stopped, Refused };
    Status Prepare(const FractalDef& def, const SampleRequest& request, std::string& reason);
    ViewCounter::Kind Chosen() const { return counter_.Chosen(); }

    // Rows firstRow .. firstRow + rows - 1 of the picture into `colours` (rows x width) and, when
    // the request asked for it, `data`. False when cancelled or out of memory (`reason`).
    bool Rows(int firstRow, int rows, std::vector<Pixel>& colours, PixelData* data,
              std::string& reason);

  private:
    SampleRequest request_;
    ViewCounter counter_;
    std::vector<Pixel> palette_;
    int iterations_ = 0;
    bool monochrome_ = false;
    int modulation_ = 2;
    std::vector<int> counts_;  // one band of the supersampled grid
};

}  // namespace zolt

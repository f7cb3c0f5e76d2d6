#pragma once

#include <cstdint>
#include <string>

#include "engine/render_pass.h"
#include "engine/view_counter.h"

namespace zolt {

class UiSurface;

// The block size of the first pass of a fresh generation. A stored resolution below 1 would
// never advance, so it starts at full resolution instead.
inline int FirstBlockSize(int initialResolution) {
    return initialResolution < 1 ? 1 : initialResolution;
}

// The block size after a pass at `block`, or 0 when the generation is complete: halving down to
// the penultimate resolution, then single pixels.
inline int NextBlockSize(int block, int penultimateResolution) {
    if (block > penultimateResolution) {
        const int half = block / 2;
        return half > 0 ? half : 0;
    }
    if (penultimateResolution <= 1 || block != penultimateResolution)
        return 0;
    return 1;
}

// "Resolution: B - P%", the progress text of a pass.
std::string ProgressText(int block, int percent);

// "Reference: P%", the progress text of a deep view's reference orbit while it is computed.
std::string ReferenceProgressText(int percent);

// The same with the most memory the reference takes and, once a percent of it is done, the time
// left at the rate so far: "Reference: 12% of 1.4 GiB, about 1:30 left". For zolt-render and
// Export Image, where a reference of millions of iterations may take minutes.
std::string ReferenceEstimateText(double fraction, std::uint64_t bytes, double secondsSoFar);

// Status pane 1 once a generation is complete: "Finished", with the depth reached for a deep
// view ("Finished - deep zoom"), or the doubles' limit for one past the deep engine's.
const char* FinishedText(ViewCounter::Kind kind);

// Turns the rows a pass reports into what the user sees: the progress text in status pane 2 at
// the first row of each run of rows with an even percentage, and a copy of the image into the
// view once at each multiple of ten percent that a finished row reaches (tall images have
// several rows per percent, and every copy repaints the whole view). One per pass.
class PassProgress final : public PassObserver {
  public:
    PassProgress(UiSurface& ui, int block) : ui_(ui), block_(block) {}

    void RowBegun(int percent) override;
    void RowFinished(int percent) override;

  private:
    UiSurface& ui_;
    int block_;
    bool textShown_ = false;
    bool copyMade_ = false;
};

}  // namespace zolt

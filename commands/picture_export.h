#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "commands/background_task.h"
#include "engine/fractal_def.h"

namespace zolt {

// The picture size that shows what the view shows at a given width: the definition's Pstart to
// Pfinish across and Qstart to Qfinish down, Qfinish being derived from the proportions of
// `view`, which a deep view takes directly. Within 1 to 65536.
int ProportionalHeight(const FractalDef& def, int width, ViewSize view);

// File > Export Image: the picture of a definition at any size, written in the background on
// every thread while the window stays in use, and told how far it got. One export at a time;
// the object owns its worker and joins it before it goes.
class PictureExport {
  public:
    PictureExport();
    ~PictureExport();  // cancels an export that still runs, and waits for it
    PictureExport(const PictureExport&) = delete;
    PictureExport& operator=(const PictureExport&) = delete;

    struct Request {
        int width = 0;
        int height = 0;
        int supersample = 1;       // samples along each side of a pixel
        int displayColours = 256;  // the view's: the picture has the view's colours
        int threads = 1;
        int priority = 0;  // a GeneratePriority for the threads
        std::string path;
    };

    // Starts writing the picture of `def`; false when an export still runs or the definition
    // cannot be copied.
    bool Start(const FractalDef& def, const Request& request);
    void Cancel();

    // Whether the worker has ended; then Finish tells how.
    bool Done() const { return task_.Done(); }
    // Rows of the picture done so far, out of Rows().
    int RowsDone() const { return rowsDone_.load(std::memory_order_relaxed); }
    int Rows() const { return rows_; }
    // How much of a deep view's reference is computed, in percent, while the worker computes
    // it before the first row; -1 at any other time.
    int ReferencePercent() const { return referencePercent_.load(std::memory_order_relaxed); }
    // The time the export still needs, once the rows done so far tell it.
    std::optional<double> SecondsLeft() const;
    // The most memory that reference takes, once it is under way.
    std::uint64_t ReferenceBytes() const { return referenceBytes_.load(std::memory_order_relaxed); }
    const std::string& Path() const { return path_; }

    struct Outcome {
        bool written = false;
        bool cancelled = false;
        bool refused = false;  // the view cannot be drawn (the reason says why)
        std::string reason;    // why the picture was not written
    };
    // Waits for the worker and gives what became of the export.
    Outcome Finish();

  private:
    struct Work;
    std::unique_ptr<Work> work_;
    std::atomic<int> rowsDone_{0};
    std::atomic<int> referencePercent_{-1};
    std::atomic<std::int64_t> rowsBegan_{0};  // steady clock nanoseconds; 0 before the rows
    std::atomic<std::uint64_t> referenceBytes_{0};
    int rows_ = 0;
    std::string path_;
    Outcome outcome_;
    BackgroundTask task_;  // last: joined before what the work uses goes
};

}  // namespace zolt

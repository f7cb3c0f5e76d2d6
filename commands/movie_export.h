#pragma once

#include <atomic>
#include <memory>

#include "commands/background_task.h"
#include "engine/fractal_def.h"
#include "movie/movie_maker.h"
#include "movie/movie_progress.h"

namespace zolt {

// File > Export Zoom Movie: the movie that ends at a definition, made in the background on
// every thread while the window stays in use. One movie at a time; the object owns its worker
// and joins it before it goes. A movie cancelled here goes on from its finished keyframes when
// it is exported again to the same place.
class MovieExport {
  public:
    MovieExport();
    ~MovieExport();  // cancels a movie that still runs, and waits for it
    MovieExport(const MovieExport&) = delete;
    MovieExport& operator=(const MovieExport&) = delete;

    struct Request {
        MovieSettings settings;
        MovieOutput output;
        int threads = 1;
        int priority = 0;  // a GeneratePriority for the threads
    };

    // Starts the movie of `end`; false when one still runs or the definition cannot be copied.
    bool Start(const FractalDef& end, const Request& request);
    void Cancel();

    // Whether the worker has ended; then Finish tells how.
    bool Done() const { return task_.Done(); }
    // How far it has come; valid from Start until the next Start.
    const MovieProgress& Progress() const { return *progress_; }
    const MovieOutput& Output() const { return output_; }

    // Waits for the worker and gives what became of the movie.
    MovieOutcome Finish();

  private:
    std::unique_ptr<FractalDef> end_;
    std::unique_ptr<MovieProgress> progress_;
    MovieSettings settings_;
    MovieOutput output_;
    MovieOutcome outcome_;
    BackgroundTask task_;  // last: joined before what the work uses goes
};

}  // namespace zolt

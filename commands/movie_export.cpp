#include "commands/movie_export.h"

#include <system_error>

namespace zolt {

MovieExport::MovieExport() : progress_(std::make_unique<MovieProgress>()) {}

MovieExport::~MovieExport() {
    Cancel();
    Finish();
}

bool MovieExport::Start(const FractalDef& end, const Request& request) {
    if (worker_.joinable())
        return false;
    // The worker reads copies made before it starts.
    auto copy = std::make_unique<FractalDef>();
    if (!CopyDefinition(end, *copy))
        return false;
    end_ = std::move(copy);
    progress_ = std::make_unique<MovieProgress>();
    settings_ = request.settings;
    output_ = request.output;
    cancel_ = false;
    outcome_ = {};
    done_ = false;
    const MovieWork work{.threads = request.threads,
                         .priority = request.priority,
                         .cancel = &cancel_,
                         .observer = progress_.get()};
    try {
        worker_ = std::thread([this, work] {
            outcome_ = MakeMovie(*end_, settings_, output_, work);
            done_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& error) {
        outcome_ = {false, false, error.what()};
        done_ = true;
        return false;
    }
    return true;
}

void MovieExport::Cancel() {
    cancel_ = true;
}

MovieOutcome MovieExport::Finish() {
    if (worker_.joinable())
        worker_.join();
    return outcome_;
}

}  // namespace zolt

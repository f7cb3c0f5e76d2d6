#include "commands/movie_export.h"

namespace zolt {

MovieExport::MovieExport() : progress_(std::make_unique<MovieProgress>()) {}

MovieExport::~MovieExport() {
    Cancel();
    Finish();
}

bool MovieExport::Start(const FractalDef& end, const Request& request) {
    if (task_.Started())
        return false;
    // The worker reads copies made before it starts.
    auto copy = std::make_unique<FractalDef>();
    if (!CopyDefinition(end, *copy))
        return false;
    end_ = std::move(copy);
    progress_ = std::make_unique<MovieProgress>();
    settings_ = request.settings;
    output_ = request.output;
    outcome_ = {};
    const MovieWork work{.threads = request.threads,
                         .priority = request.priority,
                         .cancel = &task_.CancelFlag(),
                         .observer = progress_.get()};
    std::string error;
    const bool started =
        task_.Start([this, work] { outcome_ = MakeMovie(*end_, settings_, output_, work); }, error);
    if (!started)
        outcome_ = {false, false, error};
    return started;
}

void MovieExport::Cancel() {
    task_.Cancel();
}

MovieOutcome MovieExport::Finish() {
    task_.Join();
    return outcome_;
}

}  // namespace zolt

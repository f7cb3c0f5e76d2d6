#include "commands/picture_export.h"

#include <chrono>
#include <cmath>

#include "document/fractal_file.h"
#include "generation/picture.h"
#include "generation/time_left.h"
#include "movie/exr_picture.h"

namespace zolt {

namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int ProportionalHeight(const FractalDef& def, int width, ViewSize view) {
    // A deep view's doubles may all be equal; its Qfinish follows the view's shape.
    const double across = def.Deep.empty() ? def.Pfinish - def.Pstart : view.width;
    const double down = def.Deep.empty() ? def.Qfinish - def.Qstart : view.height;
    const double height = std::round(width * down / across);
    if (!(std::isfinite(height) && height >= 1))
        return 1;
    return height > kMaxPictureSide ? kMaxPictureSide : static_cast<int>(height);
}

// What the worker reads: its own copies, made before it starts.
struct PictureExport::Work {
    FractalDef def;
    DefinitionPicture picture;
};

PictureExport::PictureExport() = default;

PictureExport::~PictureExport() {
    Cancel();
    Finish();
}

bool PictureExport::Start(const FractalDef& def, const Request& request) {
    if (task_.Started())
        return false;
    auto work = std::make_unique<Work>();
    if (!CopyDefinition(def, work->def))
        return false;
    work->picture = {
        .width = request.width,
        .height = request.height,
        .supersample = request.supersample,
        .displayColours = request.displayColours,
        .threads = request.threads,
        .priority = request.priority,
        .cancel = &task_.CancelFlag(),
        .referenceProgress =
            [this](double fraction, std::uint64_t bytes) {
                referenceBytes_.store(bytes, std::memory_order_relaxed);
                referencePercent_.store(static_cast<int>(fraction * 100.0),
                                        std::memory_order_relaxed);
            },
        .rowProgress =
            [this](int rows) {
                if (rows == 0)
                    rowsBegan_.store(Now(), std::memory_order_relaxed);
                referencePercent_.store(-1, std::memory_order_relaxed);
                rowsDone_.store(rows, std::memory_order_relaxed);
            },
    };
    work_ = std::move(work);
    path_ = request.path;
    rows_ = request.height;
    rowsDone_ = 0;
    rowsBegan_ = 0;
    referencePercent_ = -1;
    referenceBytes_ = 0;
    outcome_ = {};
    std::string error;
    const bool started = task_.Start(
        [this] {
            // A name ending in .exr asks for the iteration data other programs colour from.
            const PictureOutcome picture =
                IsExrPath(path_) ? WriteExrPicture(work_->def, work_->picture, path_)
                                 : WriteDefinitionPicture(work_->def, work_->picture, path_,
                                                          AtomicFile::Fifo::kRefuseWithoutReader);
            referencePercent_.store(-1, std::memory_order_relaxed);
            outcome_ = {picture.written, !picture.written && !picture.refused && task_.Cancelled(),
                        picture.refused, picture.reason};
        },
        error);
    if (!started)
        outcome_ = {false, false, false, error};
    return started;
}

std::optional<double> PictureExport::SecondsLeft() const {
    const std::int64_t began = rowsBegan_.load(std::memory_order_relaxed);
    if (began == 0)
        return std::nullopt;
    return zolt::SecondsLeft(RowsDone(), rows_, static_cast<double>(Now() - began) * 1e-9);
}

void PictureExport::Cancel() {
    task_.Cancel();
}

PictureExport::Outcome PictureExport::Finish() {
    task_.Join();
    work_.reset();
    return outcome_;
}

}  // namespace zolt

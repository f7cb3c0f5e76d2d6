#include "commands/picture_export.h"

#include <cmath>
#include <system_error>

#include "document/fractal_file.h"
#include "engine/view_counter.h"
#include "generation/picture.h"

namespace zolt {

namespace {

constexpr int kMaxPictureSide = 65536;

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
    std::vector<Pixel> colours;
    ViewCounter counter;  // prepared by the worker: a deep view's reference takes time
    PictureRequest request;
};

PictureExport::PictureExport() = default;

PictureExport::~PictureExport() {
    Cancel();
    Finish();
}

bool PictureExport::Start(const FractalDef& def, const Request& request) {
    if (worker_.joinable())
        return false;
    auto work = std::make_unique<Work>();
    if (!CopyDefinition(def, work->def))
        return false;
    const FractalDef& copy = work->def;
    const Appearance& appearance = copy.Appearance;
    if (!appearance.Monochrome)
        work->colours = BuildLogicalPalette(request.displayColours, appearance.Palette);
    work->request = {
        .colour = {appearance.Monochrome, appearance.Modulation, copy.Iterations, work->colours},
        .width = request.width,
        .height = request.height,
        .texts = {{kPictureTextKeyword, FractalFileText(copy)}, {"Software", "Zolt 1.0"}},
        .threads = request.threads,
        .priority = request.priority,
    };
    work_ = std::move(work);
    path_ = request.path;
    rows_ = request.height;
    rowsDone_ = 0;
    referencePercent_ = -1;
    cancel_ = false;
    outcome_ = {};
    done_ = false;
    try {
        worker_ = std::thread([this] {
            std::string reason = "cancelled";
            Work& work = *work_;
            bool written = false;
            const auto referenceProgress = [this](double fraction) {
                referencePercent_.store(static_cast<int>(fraction * 100.0),
                                        std::memory_order_relaxed);
            };
            const ViewCounter::Status prepared =
                work.counter.Prepare(NumbersOf(work.def), work.request.width, work.request.height,
                                     &cancel_, referenceProgress);
            referencePercent_.store(-1, std::memory_order_relaxed);
            if (prepared == ViewCounter::Status::Ready) {
                work.request.counter = &work.counter.Counter();
                written = WritePicture(
                    work.request, path_, AtomicFile::Fifo::kRefuseWithoutReader, &cancel_,
                    [this](int rows) { rowsDone_ = rows; }, reason);
            }
            outcome_ = {written, !written && cancel_.load(), written ? std::string() : reason};
            done_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& error) {
        outcome_ = {false, false, error.what()};
        done_ = true;
        return false;
    }
    return true;
}

void PictureExport::Cancel() {
    cancel_ = true;
}

PictureExport::Outcome PictureExport::Finish() {
    if (worker_.joinable())
        worker_.join();
    work_.reset();
    return outcome_;
}

}  // namespace zolt

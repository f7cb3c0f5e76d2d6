#include "generation/picture.h"

#include <algorithm>
#include <new>

#include "document/fractal_file.h"
#include "generation/view_refusal.h"
#include "generation/worker_threads.h"

namespace zolt {

namespace {

constexpr long long kBandPixels = 1LL << 22;

// Reports the picture's rows as the band's pass finishes them, in order from the top.
class RowReporter final : public PassObserver {
  public:
    explicit RowReporter(const std::function<void(int rowsDone)>& progress) : progress_(progress) {}
    void StartBand(int firstRow) { done_ = firstRow; }
    void RowBegun(int) override {}
    void RowFinished(int) override {
        if (progress_)
            progress_(++done_);
    }

  private:
    const std::function<void(int rowsDone)>& progress_;
    int done_ = 0;
};

}  // namespace

int BandRows(int width) {
    return static_cast<int>(
        std::clamp<long long>(kBandPixels / std::max(width, 1), 1, kBandPixels));
}

bool WritePicture(const PictureRequest& request, const std::filesystem::path& path,
                  AtomicFile::Fifo fifo, const std::atomic<bool>* cancel,
                  const std::function<void(int rowsDone)>& progress, std::string& reason) {
    try {
        PngWriter png;
        if (!png.Open(path, request.width, request.height, request.texts, fifo)) {
            reason = png.Reason();
            return false;
        }
        const int priority = request.priority;
        if (priority != 0)
            ApplyThreadPriority(priority);
        RenderPool pool(request.threads - 1, [priority] {
            if (priority != 0)
                ApplyThreadPriority(priority);
        });
        RowReporter observer(progress);
        OffscreenImage band;
        const int bandRows = request.bandRows > 0 ? request.bandRows : BandRows(request.width);
        for (int first = 0; first < request.height; first += bandRows) {
            const int rows = std::min(bandRows, request.height - first);
            band.buffer.width = request.width;
            band.buffer.height = rows;
            band.buffer.pixels.resize(static_cast<std::size_t>(request.width) * rows);
            band.created = true;
            observer.StartBand(first);
            const PassJob job{.counter = request.counter,
                              .colour = request.colour,
                              .stop = cancel,
                              .firstRow = first};
            if (pool.Run(job, band, observer).y < rows) {
                const bool cancelled = cancel != nullptr && cancel->load();
                reason = cancelled ? "cancelled" : "out of memory";
                return false;
            }
            if (!png.WriteRows(band.buffer.pixels.data(), rows, request.width)) {
                reason = png.Reason();
                return false;
            }
        }
        if (!png.Finish()) {
            reason = png.Reason();
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
}

PictureOutcome WriteDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                                      const std::filesystem::path& path, AtomicFile::Fifo fifo) {
    PictureOutcome outcome;
    try {
        const GenerationSnapshot numbers = NumbersOf(def);
        outcome.reason = ViewRefusal(numbers, picture.width, picture.height, AvailableMemory());
        if (!outcome.reason.empty()) {
            outcome.refused = true;
            return outcome;
        }
        const std::uint64_t bytes = NeedsOf(numbers, picture.width, picture.height).referenceBytes;
        DeepProgress progress;
        if (picture.referenceProgress)
            progress = [&picture, bytes](double fraction) {
                picture.referenceProgress(fraction, bytes);
            };
        ViewCounter counter;
        switch (counter.Prepare(numbers, picture.width, picture.height, picture.cancel, progress)) {
            case ViewCounter::Status::Ready:
                break;
            case ViewCounter::Status::Stopped:
                outcome.reason = "cancelled";
                return outcome;
            case ViewCounter::Status::Refused:
                outcome.refused = true;
                outcome.reason = counter.Refusal();
                return outcome;
        }
        outcome.kind = counter.Chosen();
        if (picture.rowProgress)
            picture.rowProgress(0);
        const Appearance& appearance = def.Appearance;
        const std::vector<Pixel> colours =
            appearance.Monochrome ? std::vector<Pixel>{}
                                  : BuildLogicalPalette(picture.displayColours, appearance.Palette);
        const PictureRequest request{
            .counter = &counter.Counter(),
            .colour = {appearance.Monochrome, appearance.Modulation, def.Iterations, colours},
            .width = picture.width,
            .height = picture.height,
            .texts = {{kPictureTextKeyword, FractalFileText(def)}, {"Software", "Zolt 1.0"}},
            .threads = picture.threads,
            .priority = picture.priority,
        };
        outcome.written =
            WritePicture(request, path, fifo, picture.cancel, picture.rowProgress, outcome.reason);
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace zolt

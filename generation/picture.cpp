#include "generation/picture.h"

#include <algorithm>
#include <new>

#include "document/fractal_file.h"
#include "generation/worker_threads.h"

namespace zolt {

namespace {

constexpr long long kBandPixels = 1LL << 22;

// Nobody watches the rows of a band: the picture reports whole bands.
class Unobserved final : public PassObserver {
  public:
    void RowBegun(int) override {}
    void RowFinished(int) override {}
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
        const int priority = request.priority;
        const auto takePriority = [priority] {
            if (priority != 0)
                ApplyThreadPriority(priority);
        };
        // As many threads compress each band as count it: those that count wait while those
        // that compress work, and the other way round.
        PngWriter png(request.threads, takePriority);
        if (!png.Open(path, request.width, request.height, request.texts, fifo)) {
            reason = png.Reason();
            return false;
        }
        takePriority();
        RenderPool pool(request.threads - 1, takePriority);
        Unobserved observer;
        OffscreenImage band;
        const int bandRows = request.bandRows > 0 ? request.bandRows : BandRows(request.width);
        for (int first = 0; first < request.height; first += bandRows) {
            const int rows = std::min(bandRows, request.height - first);
            band.buffer.width = request.width;
            band.buffer.height = rows;
            band.buffer.pixels.resize(static_cast<std::size_t>(request.width) * rows);
            band.created = true;
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
            if (progress)
                progress(first + rows);
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
        ViewCounter counter;
        if (counter.Prepare(NumbersOf(def), picture.width, picture.height, picture.cancel,
                            picture.referenceProgress) == ViewCounter::Status::Stopped) {
            outcome.reason = "cancelled";
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

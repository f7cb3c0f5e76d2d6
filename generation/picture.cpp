#include "generation/picture.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "colour/colour_methods.h"
#include "colour/colour_space.h"
#include "document/fractal_file.h"
#include "generation/view_refusal.h"
#include "generation/worker_threads.h"

namespace zolt {

namespace {

constexpr long long kBandPixels = 1LL << 22;

// Reports the picture's rows as the band's pass finishes them, in order from the top: a row
// of the picture once all its rows of samples are.
class RowReporter final : public PassObserver {
  public:
    RowReporter(const std::function<void(int rowsDone)>& progress, int samplesPerRow)
        : progress_(progress), samplesPerRow_(samplesPerRow) {}
    void StartBand(int firstRow) {
        first_ = firstRow;
        sampleRows_ = 0;
    }
    void RowBegun(int) override {}
    void RowFinished(int) override {
        if (++sampleRows_ % samplesPerRow_ == 0 && progress_)
            progress_(first_ + sampleRows_ / samplesPerRow_);
    }

  private:
    const std::function<void(int rowsDone)>& progress_;
    const int samplesPerRow_;
    int first_ = 0;
    int sampleRows_ = 0;
};

// Makes room for `count` pixels, asking the kernel to back it with huge pages: a band is up to
// 16 MiB, whose first touch otherwise takes a page fault every 4 KiB, on a thread that the
// others then wait for. A hint only; where the kernel does not take it, nothing changes.
void ReservePixels(std::vector<Pixel>& pixels, std::size_t count) {
    if (pixels.capacity() >= count)
        return;  // touched already
    pixels.reserve(count);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
    const auto first = reinterpret_cast<std::uintptr_t>(pixels.data());
    const std::uintptr_t begin = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + count * sizeof(Pixel)) & ~(kHugePage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

bool UsableSupersample(int factor, std::string& reason) {
    if (factor >= 1 && factor <= kMaxSupersample)
        return true;
    reason = "the supersampling is not from 1 to " + std::to_string(kMaxSupersample);
    return false;
}

}  // namespace

int BandRows(int width) {
    return static_cast<int>(
        std::clamp<long long>(kBandPixels / std::max(width, 1), 1, kBandPixels));
}

bool RenderPictureBands(const PictureRequest& request, const std::atomic<bool>* cancel,
                        const BandSink& sink, const std::function<void(int rowsDone)>& progress,
                        std::string& reason) {
    try {
        const int factor = request.supersample;
        if (!UsableSupersample(factor, reason))
            return false;
        const int priority = request.priority;
        const auto takePriority = [priority] {
            if (priority != 0)
                ApplyThreadPriority(priority);
        };
        takePriority();
        RenderPool pool(request.threads - 1, takePriority);
        RowReporter observer(progress, factor);
        OffscreenImage band;
        band.shader = request.shader;
        ImageBuffer averaged;  // the picture's rows of a supersampled band
        const int sampleWidth = request.width * factor;
        const int bandRows =
            request.bandRows > 0 ? request.bandRows : BandRows(sampleWidth * factor);
        const int end = request.rows > 0 ? request.firstRow + request.rows : request.height;
        for (int first = request.firstRow; first < end; first += bandRows) {
            const int rows = std::min(bandRows, end - first);
            const std::size_t samples = static_cast<std::size_t>(sampleWidth) * rows * factor;
            band.buffer.width = sampleWidth;
            band.buffer.height = rows * factor;
            ReservePixels(band.buffer.pixels, samples);
            band.buffer.pixels.resize(samples);
            band.created = true;
            if (request.keepSamples)
                band.samples.Allocate(request.samples, samples);
            observer.StartBand(first);
            const PassJob job{.counter = request.counter,
                              .colour = request.colour,
                              .stop = cancel,
                              .firstRow = first * factor,
                              .samples = request.samples};
            if (pool.Run(job, band, observer).y < rows * factor) {
                const bool cancelled = cancel != nullptr && cancel->load();
                reason = cancelled ? "cancelled" : "out of memory";
                return false;
            }
            const ImageBuffer* pixels = &band.buffer;
            if (factor > 1) {
                averaged.width = request.width;
                averaged.height = rows;
                averaged.pixels.resize(static_cast<std::size_t>(request.width) * rows);
                AverageBlocks(band.buffer.pixels.data(), request.width, rows, factor,
                              averaged.pixels.data());
                pixels = &averaged;
            }
            if (!sink({first, *pixels, band}))
                return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
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
        const auto write = [&](const PictureBand& band) {
            if (png.WriteRows(band.pixels.pixels.data(), band.pixels.height, request.width))
                return true;
            reason = png.Reason();
            return false;
        };
        if (!RenderPictureBands(request, cancel, write, progress, reason))
            return false;
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

bool PrepareDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                              PreparedPicture& prepared, PictureOutcome& outcome) {
    // Supersampled, the samples are those of the view as many times larger.
    const int factor = picture.supersample;
    if (!UsableSupersample(factor, outcome.reason))
        return false;
    const int width = picture.width * factor;
    const int height = picture.height * factor;
    const GenerationSnapshot numbers = NumbersOf(def);
    outcome.reason = ViewRefusal(numbers, width, height, AvailableMemory);
    if (!outcome.reason.empty()) {
        outcome.refused = true;
        return false;
    }
    const std::uint64_t bytes = NeedsOf(numbers, width, height).referenceBytes;
    DeepProgress progress;
    if (picture.referenceProgress)
        progress = [&picture, bytes](double fraction) {
            picture.referenceProgress(fraction, bytes);
        };
    ViewCounter& counter = prepared.counter;
    switch (counter.Prepare(numbers, width, height, picture.cancel, progress)) {
        case ViewCounter::Status::Ready:
            break;
        case ViewCounter::Status::Stopped:
            outcome.reason = "cancelled";
            return false;
        case ViewCounter::Status::Refused:
            outcome.refused = true;
            outcome.reason = counter.Refusal();
            return false;
    }
    outcome.kind = counter.Chosen();
    const Appearance& appearance = def.Appearance;
    prepared.colours = appearance.Monochrome
                           ? std::vector<Pixel>{}
                           : BuildLogicalPalette(picture.displayColours, appearance.Palette);
    const Colouring& colouring = appearance.Colouring;
    const ShadingContext shading{def.Iterations, appearance.Monochrome, appearance.Modulation,
                                 prepared.colours, static_cast<double>(factor)};
    prepared.request = {
        .counter = &counter.Counter(),
        .colour = {appearance.Monochrome, appearance.Modulation, def.Iterations, prepared.colours},
        .shader = ShaderFor(colouring, shading),
        .samples = SamplesFor(colouring),
        .supersample = factor,
        .width = picture.width,
        .height = picture.height,
        .threads = picture.threads,
        .priority = picture.priority,
    };
    return true;
}

std::vector<PngText> PictureTexts(const FractalDef& def) {
    return {{kPictureTextKeyword, FractalFileText(def)}, {"Software", "Zolt 1.0"}};
}

namespace {

// The picture of a definition as a request, which `use` computes and keeps: true when it did.
PictureOutcome UseDefinitionPicture(
    const FractalDef& def, const DefinitionPicture& picture,
    const std::function<bool(const PictureRequest& request, std::string& reason)>& use) {
    PictureOutcome outcome;
    try {
        PreparedPicture prepared;
        if (!PrepareDefinitionPicture(def, picture, prepared, outcome))
            return outcome;
        prepared.request.texts = PictureTexts(def);
        if (picture.rowProgress)
            picture.rowProgress(0);
        outcome.written = use(prepared.request, outcome.reason);
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace

PictureOutcome WriteDefinitionPicture(const FractalDef& def, const DefinitionPicture& picture,
                                      const std::filesystem::path& path, AtomicFile::Fifo fifo) {
    return UseDefinitionPicture(
        def, picture, [&](const PictureRequest& request, std::string& reason) {
            return WritePicture(request, path, fifo, picture.cancel, picture.rowProgress, reason);
        });
}

PictureOutcome RenderDefinitionRows(const FractalDef& def, const DefinitionPicture& picture,
                                    int firstRow, int rows, const BandSink& sink) {
    return UseDefinitionPicture(
        def, picture, [&](const PictureRequest& whole, std::string& reason) {
            PictureRequest request = whole;
            request.firstRow = firstRow;
            request.rows = rows;
            return RenderPictureBands(request, picture.cancel, sink, picture.rowProgress, reason);
        });
}

}  // namespace zolt

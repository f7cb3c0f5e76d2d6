#include "movie/view_samples.h"

#include <algorithm>
#include <new>
#include <span>
#include <system_error>
#include <thread>

#include "engine/offscreen_image.h"
#include "engine/render_pass.h"
#include "generation/view_refusal.h"
#include "generation/worker_threads.h"
#include "movie/linear_light.h"

namespace zolt {

namespace {

// About this many grid points are counted at a time, whatever the size and the samples.
constexpr long long kBandPoints = 1LL << 22;

// Counts `rows` rows of a `width`-point grid from grid row `firstRow` into `counts`, on the
// calling thread and threads - 1 more, each taking the next row not yet taken. False when
// cancelled; `rowDone` hears of every row finished, from the calling thread.
bool CountRows(const PointCounter& counter, int width, int firstRow, int rows, int* counts,
               const SampleRequest& request, const std::function<void(int)>& rowsDone) {
    std::atomic<int> next{0};
    std::atomic<int> finished{0};
    std::atomic<bool> stopped{false};
    const auto work = [&](bool caller) {
        std::vector<PixelPoint> points(static_cast<std::size_t>(width));
        const Interrupts interrupts{request.cancel, nullptr};
        for (int r = next++; r < rows && !stopped.load(std::memory_order_relaxed); r = next++) {
            if (interrupts.Requested()) {
                stopped = true;
                return;
            }
            for (int x = 0; x < width; ++x)
                points[static_cast<std::size_t>(x)] = {x, firstRow + r};
            const std::span<int> row(counts + static_cast<std::ptrdiff_t>(r) * width,
                                     static_cast<std::size_t>(width));
            if (!counter.Count(points, row, interrupts)) {
                stopped = true;
                return;
            }
            const int done = ++finished;
            if (caller && rowsDone)
                rowsDone(done);
        }
    };
    std::vector<std::thread> helpers;
    const int priority = request.priority;
    try {
        for (int t = 1; t < request.threads && t < rows; ++t)
            helpers.emplace_back([&work, priority] {
                if (priority != 0)
                    ApplyThreadPriority(priority);
                work(false);
            });
    } catch (const std::system_error&) {
        // Fewer helpers than asked for: the rows still get done.
    }
    work(true);
    for (std::thread& helper : helpers)
        helper.join();
    return !stopped.load() && finished.load() == rows;
}

}  // namespace

ViewSampler::Status ViewSampler::Prepare(const FractalDef& def, const SampleRequest& request,
                                         std::string& reason) {
    request_ = request;
    const int n = request.supersample;
    // The samples of a pixel lie on the grid of the view drawn n times as large.
    const GenerationSnapshot numbers = NumbersOf(def);
    reason = ViewRefusal(numbers, request.width * n, request.height * n, AvailableMemory());
    if (!reason.empty())
        return Status::Refused;
    const std::uint64_t bytes =
        NeedsOf(numbers, request.width * n, request.height * n).referenceBytes;
    DeepProgress progress;
    if (request.referenceProgress)
        progress = [&request, bytes](double fraction) {
            request.referenceProgress(fraction, bytes);
        };
    switch (counter_.Prepare(numbers, request.width * n, request.height * n, request.cancel,
                             progress)) {
        case ViewCounter::Status::Ready:
            break;
        case ViewCounter::Status::Stopped:
            reason = "cancelled";
            return Status::Stopped;
        case ViewCounter::Status::Refused:
            reason = counter_.Refusal();
            return Status::Refused;
    }
    const Appearance& appearance = def.Appearance;
    palette_ = appearance.Monochrome
                   ? std::vector<Pixel>{}
                   : BuildLogicalPalette(request.displayColours, appearance.Palette);
    iterations_ = def.Iterations;
    monochrome_ = appearance.Monochrome;
    modulation_ = appearance.Modulation;
    return Status::Ready;
}

bool ViewSampler::Rows(int firstRow, int rows, std::vector<Pixel>& colours, PixelData* data,
                       std::string& reason) {
    try {
        const int width = request_.width;
        const int n = request_.supersample;
        const int gridWidth = width * n;
        const std::size_t pixels = static_cast<std::size_t>(width) * rows;
        colours.resize(pixels);
        if (data != nullptr) {
            data->count.resize(pixels);
            // The smooth fraction and the distance estimate's direction are not computed.
            data->fraction.assign(pixels, 0.0f);
            data->distanceX.assign(pixels, 0.0f);
            data->distanceY.assign(pixels, 0.0f);
        }
        const ColourRule colour(monochrome_, modulation_, iterations_, palette_);
        const LinearLight& light = LinearLight::Get();
        const int bandRows = static_cast<int>(
            std::clamp<long long>(kBandPoints / (static_cast<long long>(gridWidth) * n), 1, rows));
        counts_.resize(static_cast<std::size_t>(gridWidth) * bandRows * n);
        std::vector<float> sum(static_cast<std::size_t>(width) * 3);
        const float share = 1.0f / static_cast<float>(n * n);
        for (int band = 0; band < rows; band += bandRows) {
            const int outRows = std::min(bandRows, rows - band);
            const auto progress = [&](int gridRows) {
                if (request_.rowProgress)
                    request_.rowProgress(firstRow + band + gridRows / n);
            };
            if (!CountRows(counter_.Counter(), gridWidth, (firstRow + band) * n, outRows * n,
                           counts_.data(), request_, progress)) {
                reason = "cancelled";
                return false;
            }
            for (int r = 0; r < outRows; ++r) {
                Pixel* out = colours.data() + static_cast<std::size_t>(band + r) * width;
                const int* grid = counts_.data() + static_cast<std::size_t>(r) * n * gridWidth;
                if (data != nullptr) {
                    std::uint32_t* count =
                        data->count.data() + static_cast<std::size_t>(band + r) * width;
                    for (int x = 0; x < width; ++x) {
                        const int c = grid[static_cast<std::size_t>(x) * n];
                        count[x] = c >= iterations_ || c < 0 ? kInteriorCount
                                                             : static_cast<std::uint32_t>(c);
                    }
                }
                if (n == 1) {
                    for (int x = 0; x < width; ++x)
                        out[x] = colour(grid[x]);
                    continue;
                }
                std::fill(sum.begin(), sum.end(), 0.0f);
                for (int sy = 0; sy < n; ++sy) {
                    const int* line = grid + static_cast<std::size_t>(sy) * gridWidth;
                    for (int gx = 0; gx < gridWidth; ++gx) {
                        const Pixel p = colour(line[gx]);
                        float* s = &sum[static_cast<std::size_t>(gx / n) * 3];
                        s[0] += light.Decode(static_cast<std::uint8_t>(p >> 16));
                        s[1] += light.Decode(static_cast<std::uint8_t>(p >> 8));
                        s[2] += light.Decode(static_cast<std::uint8_t>(p));
                    }
                }
                for (int x = 0; x < width; ++x) {
                    const float* s = &sum[static_cast<std::size_t>(x) * 3];
                    out[x] = MakePixel(light.Encode(s[0] * share), light.Encode(s[1] * share),
                                       light.Encode(s[2] * share));
                }
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
}

}  // namespace zolt

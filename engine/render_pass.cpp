#include "engine/render_pass.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

namespace zolt {

namespace {

// Rows are handed out in units of about this many points, so that the vector kernel's lanes
// refill from the next row instead of idling at the end of every short row; but in at least this
// many units per thread, so that a small pass still keeps every thread busy and a stop or skip
// still finds most of it not yet begun.
constexpr std::size_t kUnitPoints = 4096;
constexpr std::size_t kUnitsPerThread = 4;

// What a pass computes of each point: what its job asks, and whatever more the image's planes
// keep or its shader reads.
SampleLevel LevelFor(const PassJob& job, const OffscreenImage& image) {
    std::lock_guard lock(image.mutex);
    SampleLevel level = job.samples;
    if (image.samples.Held())
        level = std::max(level, image.samples.level);
    if (image.shader)
        level = std::max(level, image.shader->Needs());
    return level;
}

bool HasShader(OffscreenImage& image) {
    std::lock_guard lock(image.mutex);
    return image.shader != nullptr;
}

}  // namespace

ColourRule::ColourRule(bool monochrome, int modulation, int iterations,
                       std::span<const Pixel> colours)
    : monochrome_(monochrome), iterations_(iterations), colours_(colours) {
    // A period below 1 (only a hand-made file can hold one) colours every escaping point white
    // instead of dividing by it.
    if (monochrome)
        divisor_ = modulation < 1 ? 1 : static_cast<std::uint32_t>(modulation);
    else if (!colours.empty())
        divisor_ = static_cast<std::uint32_t>(colours.size());
    reciprocal_ = UINT64_MAX / divisor_ + 1;
}

PlainCounter::PlainCounter(const GenerationSnapshot& snapshot, int width, KernelTarget kernel,
                           bool periodicity)
    : snapshot_(snapshot),
      dx_((snapshot.Pfinish - snapshot.Pstart) / static_cast<double>(width)),
      kernel_(kernel),
      periodicity_(periodicity) {}

bool PlainCounter::Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                          const Interrupts& interrupts) const {
    thread_local std::vector<double> cr;
    thread_local std::vector<double> ci;
    cr.resize(points.size());
    ci.resize(points.size());
    // In locals, so that the stores into the vectors cannot be taken to change them.
    const double dx = dx_, left = snapshot_.Pstart, top = snapshot_.Qstart;
    for (std::size_t k = 0; k < points.size(); ++k) {
        cr[k] = static_cast<double>(points[k].x) * dx + left;
        ci[k] = static_cast<double>(points[k].y) * dx + top;
    }
    const IterationLimits limits{snapshot_.Iterations, snapshot_.Escape, periodicity_};
    const SampleLevel level = out.Level();
    if (level == SampleLevel::Counts)
        return IteratePoints(cr, ci, out.counts, limits, interrupts, kernel_);

    const bool distance = level == SampleLevel::Distance;
    thread_local std::vector<double> ends;
    thread_local std::vector<std::int32_t> past;
    const std::size_t n = points.size();
    ends.resize(n * (distance ? 4 : 2));
    past.resize(n);
    const std::span<double> all(ends);
    // The kernel may give ends a few steps past the escape, which spares it keeping every step's.
    const OrbitEnds orbitEnds{all.subspan(0, n), all.subspan(n, n),
                              distance ? all.subspan(2 * n, n) : std::span<double>(),
                              distance ? all.subspan(3 * n, n) : std::span<double>(), past};
    if (!IteratePoints(cr, ci, out.counts, limits, interrupts, kernel_, orbitEnds))
        return false;
    FinishOrbits(cr, ci, out.counts, orbitEnds, limits, dx_, dx_, {out.fraction, out.dex, out.dey},
                 kernel_);
    return true;
}

// One pass as the threads of the pool share it.
struct RenderPool::Pass {
    Pass(const PassJob& job, OffscreenImage& image, PassObserver& observer, std::size_t threads)
        : job(job),
          image(image),
          observer(observer),
          width(image.buffer.width),
          height(image.buffer.height),
          rowPercent(100.0 / static_cast<double>(height)),
          interrupts{job.stop, job.block > 1 ? job.skip : nullptr},
          level(LevelFor(job, image)),
          shadedAtStart(HasShader(image)) {
        for (long long y = job.start.y; y < height; y += job.block)
            rows.push_back(static_cast<int>(y));
        const std::size_t pointsPerRow = static_cast<std::size_t>(width / job.block + 1);
        rowsPerUnit = std::max<std::size_t>(
            1, std::min(kUnitPoints / pointsPerRow, rows.size() / (kUnitsPerThread * threads)));
        finished.assign(rows.size(), 0);
    }

    int Percent(std::size_t row) const {
        return static_cast<int>(static_cast<double>(rows[row] + 1) * rowPercent);
    }

    // Adds the points of row `y` that no earlier pass over the image has computed: an earlier
    // pass of block b computed the points x = 0, b, 2b, ... of its rows before its reach.
    void AddRow(int y, long long fromX, std::vector<PixelPoint>& points) const {
        const int viewY = y + job.firstRow;
        // Most rows: no earlier pass ran on them.
        const auto ran = [y](const PassReach& earlier) {
            return earlier.block > 0 && y % earlier.block == 0 && y <= earlier.reached.y;
        };
        if (std::none_of(job.earlier.begin(), job.earlier.end(), ran)) {
            const long long count = std::max(0LL, (width - fromX + job.block - 1) / job.block);
            const std::size_t at = points.size();
            points.resize(at + static_cast<std::size_t>(count));
            PixelPoint* point = points.data() + at;
            for (long long x = fromX; x < width; x += job.block)
                *point++ = {static_cast<int>(x), viewY};
            return;
        }
        thread_local std::vector<char> computed;
        computed.assign(static_cast<std::size_t>(width), 0);
        for (const PassReach& earlier : job.earlier) {
            const long long end =
                y < earlier.reached.y ? width : std::min(earlier.reached.x, width);
            for (long long x = 0; ran(earlier) && x < end; x += earlier.block)
                computed[static_cast<std::size_t>(x)] = 1;
        }
        for (long long x = fromX; x < width; x += job.block) {
            if (computed[static_cast<std::size_t>(x)] == 0)
                points.push_back({static_cast<int>(x), viewY});
        }
    }

    // Takes units of rows until none is left or the pass is interrupted, and adds what it
    // stored to the job's tally.
    void Work() {
        CountTally tally(job.tally != nullptr ? job.tally->limit : 0);
        WorkUnits(tally);
        if (job.tally != nullptr) {
            std::lock_guard lock(tallyMutex);
            job.tally->Merge(tally);
        }
    }

    void WorkUnits(CountTally& tally) {
        std::vector<PixelPoint> points;
        Unit unit;
        for (;;) {
            if (cut.load(std::memory_order_relaxed) || interrupts.Requested())
                return;
            const std::size_t first = next.fetch_add(rowsPerUnit, std::memory_order_relaxed);
            if (first >= rows.size())
                return;
            const std::size_t last = std::min(first + rowsPerUnit, rows.size());
            points.clear();
            for (std::size_t row = first; row < last; ++row)
                AddRow(rows[row], row == 0 ? job.start.x : 0, points);
            if (!job.counter->Sample(points, unit.Spans(points.size(), level), interrupts)) {
                cut = true;
                return;
            }
            Store(points, unit);
            if (job.tally != nullptr) {
                tally.AddAll(unit.counts, [&points](std::size_t k) {
                    return std::pair{points[k].x, points[k].y};
                });
            }
            Finish(first, last);
        }
    }

    // The samples of the points of one unit of rows.
    struct Unit {
        std::vector<int> counts;
        std::vector<float> fraction, dex, dey;
        std::vector<Pixel> colours;

        SampleSpans Spans(std::size_t n, SampleLevel level) {
            counts.resize(n);
            const std::size_t fractions = level >= SampleLevel::Fraction ? n : 0;
            const std::size_t distances = level >= SampleLevel::Distance ? n : 0;
            fraction.resize(fractions);
            dex.resize(distances);
            dey.resize(distances);
            return {counts, fraction, dex, dey};
        }
        SampleRun Run(std::size_t from, std::size_t size) const {
            const auto at = [from](const std::vector<float>& v) {
                return v.empty() ? nullptr : v.data() + from;
            };
            return {counts.data() + from, at(fraction), at(dex), at(dey), size};
        }
    };

    // Writes the points' colours (and their samples, where the image keeps them), a row at a
    // time under the image's lock. The image's shader is read under the lock too, so that a
    // recolouring that replaces it meanwhile leaves no pixel of the old colouring behind.
    void Store(std::span<const PixelPoint> points, Unit& unit) {
        unit.colours.resize(points.size());
        // Where no shader colours the image, as usual, the colours are made before the lock, so
        // that the threads hold it only to copy them.
        const bool made = !shadedAtStart;
        for (std::size_t k = 0; made && k < points.size(); ++k)
            unit.colours[k] = job.colour(unit.counts[k]);
        std::size_t k = 0;
        while (k < points.size()) {
            const int viewRow = points[k].y;
            const int y = viewRow - job.firstRow;
            std::size_t end = k;
            while (end < points.size() && points[end].y == viewRow)
                ++end;
            std::lock_guard lock(image.mutex);
            const SampleShader* shader = image.shader.get();
            if (shader != nullptr)
                shader->Shade(unit.Run(k, end - k), unit.colours.data() + k);
            for (std::size_t i = k; shader == nullptr && !made && i < end; ++i)
                unit.colours[i] = job.colour(unit.counts[i]);
            const bool keep = image.samples.Held();
            if (job.block == 1) {
                Pixel* line = image.buffer.pixels.data() + static_cast<std::size_t>(y) * width;
                for (std::size_t i = k; i < end; ++i)
                    line[points[i].x] = unit.colours[i];
                if (keep)
                    KeepRow(points, unit, k, end, static_cast<std::size_t>(y) * width);
            }
            if (job.block > 1)
                FillBlocks(points, unit, k, end, y);
            for (; job.block > 1 && keep && k < end; ++k)
                KeepSamples(points[k].x, y, unit, k);
            k = end;
        }
    }

    // The blocks of points k to end of the unit, which lie in the band of rows from y: each
    // run of neighbouring blocks is filled in its first row and copied into the others.
    void FillBlocks(std::span<const PixelPoint> points, const Unit& unit, std::size_t k,
                    std::size_t end, int y) {
        const int rows = std::min(job.block, height - y);
        Pixel* first = image.buffer.pixels.data() + static_cast<std::size_t>(y) * width;
        while (k < end) {
            const int from = points[k].x;
            int to = from;  // past the run's last pixel
            do {
                to = std::min(points[k].x + job.block, width);
                std::fill(first + points[k].x, first + to, unit.colours[k]);
                ++k;
            } while (k < end && points[k].x == points[k - 1].x + job.block);
            for (int row = 1; row < rows; ++row)
                std::copy(first + from, first + to,
                          first + static_cast<std::size_t>(row) * width + from);
        }
    }

    // The samples of those points into the image's planes.
    void KeepRow(std::span<const PixelPoint> points, const Unit& unit, std::size_t k,
                 std::size_t end, std::size_t row) {
        SamplePlanes& planes = image.samples;
        int* counts = planes.counts.data() + row;
        for (std::size_t i = k; i < end; ++i)
            counts[points[i].x] = unit.counts[i];
        for (std::size_t i = k; i < end && !planes.fraction.empty(); ++i)
            planes.fraction[row + static_cast<std::size_t>(points[i].x)] = unit.fraction[i];
        for (std::size_t i = k; i < end && !planes.dex.empty(); ++i) {
            planes.dex[row + static_cast<std::size_t>(points[i].x)] = unit.dex[i];
            planes.dey[row + static_cast<std::size_t>(points[i].x)] = unit.dey[i];
        }
    }

    // Point k of the unit into the image's planes, over its whole block.
    void KeepSamples(int x, int y, const Unit& unit, std::size_t k) {
        SamplePlanes& planes = image.samples;
        const int x1 = std::min(x + job.block, width);
        const int y1 = std::min(y + job.block, height);
        const auto fill = [&](auto& plane, auto value) {
            for (int row = y; row < y1; ++row) {
                const std::size_t at = static_cast<std::size_t>(row) * width;
                std::fill(plane.begin() + static_cast<std::ptrdiff_t>(at + x),
                          plane.begin() + static_cast<std::ptrdiff_t>(at + x1), value);
            }
        };
        fill(planes.counts, unit.counts[k]);
        if (!planes.fraction.empty())
            fill(planes.fraction, unit.fraction[k]);
        if (!planes.dex.empty()) {
            fill(planes.dex, unit.dex[k]);
            fill(planes.dey, unit.dey[k]);
        }
    }

    // Rows first to last are stored: the rows finished in order from the top are reported.
    void Finish(std::size_t first, std::size_t last) {
        std::lock_guard lock(frontierMutex);
        std::fill(finished.begin() + static_cast<std::ptrdiff_t>(first),
                  finished.begin() + static_cast<std::ptrdiff_t>(last), 1);
        while (frontier < rows.size() && finished[frontier] != 0) {
            observer.RowFinished(Percent(frontier));
            ++frontier;
            if (frontier < rows.size())
                observer.RowBegun(Percent(frontier));
        }
    }

    // Where the pass ended; every thread is done with it.
    PassPosition Reached() const {
        if (frontier == rows.size())
            return {0, rows.empty() ? job.start.y : rows.back() + job.block};
        return {frontier == 0 ? job.start.x : 0, rows[frontier]};
    }

    const PassJob& job;
    OffscreenImage& image;
    PassObserver& observer;
    const int width;
    const int height;
    const double rowPercent;
    const Interrupts interrupts;
    const SampleLevel level;   // what is computed of each point
    const bool shadedAtStart;  // the image had a shader when the pass began
    std::vector<int> rows;     // the rows of the pass's grid, from its start
    std::size_t rowsPerUnit = 1;
    std::atomic<std::size_t> next{0};  // the first row not handed out
    std::atomic<bool> cut{false};      // a unit was interrupted: no more are taken

    std::mutex tallyMutex;
    std::mutex frontierMutex;
    std::vector<char> finished;  // per row of the grid
    std::size_t frontier = 0;    // the first row not finished
};

RenderPool::RenderPool(int helpers, std::function<void()> onStart) {
    for (int i = 0; i < helpers; ++i) {
        try {
            helpers_.emplace_back(&RenderPool::Serve, this, onStart);
        } catch (const std::system_error&) {
            break;  // the calling thread computes every pass anyway, with fewer helpers
        }
    }
}

RenderPool::~RenderPool() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
}

void RenderPool::Serve(const std::function<void()>& onStart) {
    if (onStart)
        onStart();
    std::uint64_t seen = 0;
    for (;;) {
        Pass* pass = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || serial_ != seen; });
            if (quit_)
                return;
            seen = serial_;
            pass = pass_;
        }
        try {
            pass->Work();
        } catch (const std::bad_alloc&) {
            pass->cut = true;  // the other threads finish the rows they hold
        }
        std::lock_guard lock(mutex_);
        if (--busy_ == 0)
            idle_.notify_all();
    }
}

PassPosition RenderPool::Run(const PassJob& job, OffscreenImage& image, PassObserver& observer) {
    // Only this pass writes the buffer, so its size can be read without the lock.
    if (job.block < 1 || job.counter == nullptr || image.buffer.width <= 0 ||
        image.buffer.height <= 0)
        return job.start;
    Pass pass(job, image, observer, helpers_.size() + 1);
    if (pass.rows.empty())
        return pass.Reached();
    observer.RowBegun(pass.Percent(0));
    {
        std::lock_guard lock(mutex_);
        pass_ = &pass;
        ++serial_;
        busy_ = static_cast<int>(helpers_.size());
    }
    wake_.notify_all();
    try {
        pass.Work();
    } catch (const std::bad_alloc&) {
        pass.cut = true;
    }
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return busy_ == 0; });
    pass_ = nullptr;
    return pass.Reached();
}

bool RecolourImage(OffscreenImage& image, const CountRule& rule,
                   std::shared_ptr<const SampleShader> shader) {
    ViewSize size;
    std::uint64_t serial = 0;
    ColourRule count;
    {
        std::lock_guard lock(image.mutex);
        const SamplePlanes& planes = image.samples;
        if (!image.created || !planes.Held() || (shader && shader->Needs() > planes.level))
            return false;
        image.shader = shader;
        size = {image.buffer.width, image.buffer.height};
        serial = image.serial;
        count = {rule.monochrome, rule.modulation, rule.iterations, image.colours};
    }
    std::vector<Pixel> colours(static_cast<std::size_t>(size.width));
    for (int y = 0; y < size.height; ++y) {
        std::lock_guard lock(image.mutex);
        if (image.serial != serial)
            break;
        const std::size_t from = static_cast<std::size_t>(y) * size.width;
        const SampleRun run = image.samples.Run(from, colours.size());
        if (shader)
            shader->Shade(run, colours.data());
        Pixel* line = image.buffer.pixels.data() + from;
        for (std::size_t x = 0; x < colours.size(); ++x) {
            // Pixels not computed yet keep the background.
            if (run.counts[x] != 0)
                line[x] = shader ? colours[x] : count(run.counts[x]);
        }
    }
    return true;
}

}  // namespace zolt

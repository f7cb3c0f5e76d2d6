#include "engine/render_pass.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace zolt {

namespace {

// Rows are handed out in units of about this many points, so that the vector kernel's lanes
// refill from the next row instead of idling at the end of every short row; but in at least this
// many units per thread, so that a small pass still keeps every thread busy and a stop or skip
// still finds most of it not yet begun.
constexpr std::size_t kUnitPoints = 4096;
constexpr std::size_t kUnitsPerThread = 4;

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

bool PlainCounter::Count(std::span<const PixelPoint> points, std::span<int> counts,
                         const Interrupts& interrupts) const {
    thread_local std::vector<double> cr;
    thread_local std::vector<double> ci;
    cr.resize(points.size());
    ci.resize(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        cr[k] = static_cast<double>(points[k].x) * dx_ + snapshot_.Pstart;
        ci[k] = static_cast<double>(points[k].y) * dx_ + snapshot_.Qstart;
    }
    return IteratePoints(cr, ci, counts, {snapshot_.Iterations, snapshot_.Escape, periodicity_},
                         interrupts, kernel_);
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
          interrupts{job.stop, job.block > 1 ? job.skip : nullptr} {
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
        struct Computed {
            long long next;  // the next multiple of the block not below x
            long long end;   // the first x the pass did not reach in this row
            int block;
        };
        Computed computed[8];
        std::size_t known = 0;
        for (const PassReach& earlier : job.earlier) {
            const bool ran = earlier.block > 0 && y % earlier.block == 0 &&
                             y <= earlier.reached.y && known < std::size(computed);
            if (ran)
                computed[known++] = {0, y < earlier.reached.y ? width : earlier.reached.x,
                                     earlier.block};
        }
        for (long long x = fromX; x < width; x += job.block) {
            bool skip = false;
            for (std::size_t k = 0; k < known; ++k) {
                Computed& c = computed[k];
                while (c.next < x)
                    c.next += c.block;
                skip = skip || (c.next == x && x < c.end);
            }
            if (!skip)
                points.push_back({static_cast<int>(x), y + job.firstRow});
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
        std::vector<int> counts;
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
            counts.resize(points.size());
            if (!job.counter->Count(points, counts, interrupts)) {
                cut = true;
                return;
            }
            Store(points, counts);
            if (job.tally != nullptr) {
                for (std::size_t k = 0; k < points.size(); ++k)
                    tally.Add(points[k].x, points[k].y, counts[k]);
            }
            Finish(first, last);
        }
    }

    // Writes the points' colours, a row at a time under the image's lock.
    void Store(std::span<const PixelPoint> points, std::span<const int> counts) {
        std::size_t k = 0;
        while (k < points.size()) {
            const int viewRow = points[k].y;
            const int y = viewRow - job.firstRow;
            std::lock_guard lock(image.mutex);
            Pixel* line = image.buffer.pixels.data() + static_cast<std::size_t>(y) * width;
            for (; k < points.size() && points[k].y == viewRow; ++k) {
                const Pixel colour = job.colour(counts[k]);
                if (job.block == 1)
                    line[points[k].x] = colour;
                else
                    FillBlock(image.buffer, points[k].x, y, job.block, colour);
            }
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
    std::vector<int> rows;  // the rows of the pass's grid, from its start
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

}  // namespace zolt

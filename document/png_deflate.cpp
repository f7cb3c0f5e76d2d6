#include "document/png_deflate.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>

namespace zolt {

namespace {

// A zlib header for a 32 KiB window and a fast level, the stream's first two bytes.
constexpr unsigned char kZlibHeader[] = {0x78, 0x5e};
// The compressor's level (ISA-L's 0 to 3). On fractal pictures, 1 and 2 take about a tenth of the
// time of zlib's default level, for files 4 to 16 % larger; 3 takes twice as long as 2 to save
// 1 or 2 % more.
constexpr int kLevel = 2;
constexpr std::size_t kLevelBuffer = ISAL_DEF_LVL2_DEFAULT;
// Room beyond a piece's own bytes for the compressor's worst case, an incompressible piece in
// stored blocks: 5 bytes a block of at most 64 KiB (an eighth covers them), and the headers.
constexpr std::size_t kOutputSlack = 1024;
// Filtered bytes a piece holds at most (or a single row, where one is larger). Smaller pieces
// share the work out more evenly among the threads; larger ones compress a little better, each
// piece starting afresh without the bytes before it to refer to.
constexpr std::size_t kPieceBytes = std::size_t{1} << 18;
// Pieces a thread may have compressed ahead of the one being written: enough to keep every
// thread busy while pieces take different times, few enough to bound the memory held.
constexpr int kSlotsPerThread = 2;

// Appends a checksum as the zlib stream ends with it.
void BigEndian32(unsigned long value, std::vector<unsigned char>& bytes) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

}  // namespace

// Compresses pieces on one thread, with Intel's ISA-L (igzip): each piece in one call, with a
// buffer for the level of the compressor's own.
class ParallelDeflate::Compressor {
  public:
    // Compresses `input` into `output` after its first `offset` bytes, ending the deflate stream
    // when `end`, else on a byte boundary. False when memory ran out (or the compressor refused
    // its arguments, which these never give it cause to).
    bool Compress(const Bytes& input, bool end, std::size_t offset, Bytes& output) {
        // A piece is a few hundred KiB, or one row of at most 65536 pixels.
        if (input.size() > UINT32_MAX / 2)
            return false;
        levelBuffer_.resize(kLevelBuffer);
        const std::size_t room = input.size() + input.size() / 8 + kOutputSlack;
        output.resize(offset + room);
        isal_zstream stream;
        isal_deflate_stateless_init(&stream);
        stream.level = kLevel;
        stream.level_buf = levelBuffer_.data();
        stream.level_buf_size = static_cast<std::uint32_t>(levelBuffer_.size());
        // Raw deflate, since the zlib wrapper belongs to the joined stream.
        stream.gzip_flag = IGZIP_DEFLATE;
        stream.next_in = const_cast<std::uint8_t*>(input.data());
        stream.avail_in = static_cast<std::uint32_t>(input.size());
        stream.next_out = output.data() + offset;
        stream.avail_out = static_cast<std::uint32_t>(room);
        stream.end_of_stream = end ? 1 : 0;
        // A full flush ends on a byte boundary with nothing to refer back to.
        stream.flush = end ? NO_FLUSH : FULL_FLUSH;
        if (isal_deflate_stateless(&stream) != COMP_OK)
            return false;
        output.resize(offset + stream.total_out);
        return true;
    }

  private:
    Bytes levelBuffer_;
};

// A compressed piece waiting to be written.
struct ParallelDeflate::Slot {
    Bytes bytes;  // kZlibHeader's room, then the compressed piece
    unsigned long adler = 1;
    std::size_t length = 0;  // of the piece before compression
    bool done = false;
};

struct ParallelDeflate::Batch {
    int count;
    const Fill& fill;
    bool last;
    int taken = 0;    // pieces handed to a thread
    int written = 0;  // pieces given to the sink
    bool stopped = false;
};

ParallelDeflate::ParallelDeflate(int threads, const std::function<void()>& onStart, Framing framing)
    : mine_(std::make_unique<Compressor>()), framing_(framing) {
    for (int i = 1; i < threads; ++i) {
        try {
            helpers_.emplace_back(&ParallelDeflate::Serve, this, onStart);
        } catch (const std::system_error&) {
            break;  // the calling thread compresses every piece anyway, with fewer helpers
        }
    }
    const std::size_t slots = (helpers_.size() + 1) * kSlotsPerThread;
    for (std::size_t i = 0; i < slots; ++i)
        slots_.push_back(std::make_unique<Slot>());
}

ParallelDeflate::~ParallelDeflate() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
}

bool ParallelDeflate::Compress(int count, const Fill& fill, bool last, const Sink& sink) {
    // A stream cannot end on nothing: it ends on an empty piece then.
    const Fill nothing = [](int, Bytes& bytes) { bytes.clear(); };
    if (count <= 0 && !last)
        return true;
    Batch batch{.count = std::max(count, 1), .fill = count > 0 ? fill : nothing, .last = last};
    std::unique_lock lock(mutex_);
    batch_ = &batch;
    ++serial_;
    busy_ = static_cast<int>(helpers_.size());
    wake_.notify_all();
    // The calling thread writes the pieces in order and compresses one whenever the next to
    // write is not ready.
    while (batch.written < batch.count && !batch.stopped) {
        Slot& next = *slots_[batch.written % slots_.size()];
        if (next.done) {
            lock.unlock();
            bool emitted = false;
            bool outOfMemory = false;
            try {
                emitted = Emit(batch, next, sink);
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            lock.lock();
            if (outOfMemory && reason_.empty())
                reason_ = "out of memory";
            next.done = false;
            ++batch.written;
            batch.stopped = !emitted;
            wake_.notify_all();
        } else if (batch.taken < batch.count && HasRoom(batch)) {
            Take(batch, *mine_, myInput_, lock);
        } else {
            ready_.wait(lock);
        }
    }
    // The helpers may still be compressing pieces nobody will write.
    const bool written = !batch.stopped;
    batch.stopped = true;
    wake_.notify_all();
    ready_.wait(lock, [this] { return busy_ == 0; });
    batch_ = nullptr;
    for (const auto& slot : slots_)
        slot->done = false;
    return written;
}

void ParallelDeflate::Serve(const std::function<void()>& onStart) {
    if (onStart)
        onStart();
    Compressor compressor;
    Bytes input;
    unsigned long seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || serial_ != seen; });
        if (quit_)
            return;
        seen = serial_;
        Batch& batch = *batch_;
        for (;;) {
            wake_.wait(lock, [&] {
                return batch.stopped || batch.taken == batch.count || HasRoom(batch);
            });
            if (batch.stopped || batch.taken == batch.count)
                break;
            Take(batch, compressor, input, lock);
        }
        if (--busy_ == 0)
            ready_.notify_all();
    }
}

bool ParallelDeflate::HasRoom(const Batch& batch) const {
    return batch.taken < batch.written + static_cast<int>(slots_.size());
}

// Compresses the batch's next piece into its slot. Called, and returns, with the lock held.
void ParallelDeflate::Take(Batch& batch, Compressor& compressor, Bytes& input,
                           std::unique_lock<std::mutex>& lock) {
    const int index = batch.taken++;
    Slot& slot = *slots_[index % slots_.size()];
    lock.unlock();
    bool compressed = false;
    try {
        batch.fill(index, input);
        slot.length = input.size();
        slot.adler = isal_adler32(1, input.data(), input.size());
        const bool end = batch.last && index == batch.count - 1;
        compressed = compressor.Compress(input, end, sizeof kZlibHeader, slot.bytes);
    } catch (const std::bad_alloc&) {
    }
    lock.lock();
    if (compressed) {
        slot.done = true;
        ready_.notify_all();
    } else if (!batch.stopped) {
        batch.stopped = true;
        if (reason_.empty())
            reason_ = "out of memory";
        wake_.notify_all();
        ready_.notify_all();
    }
}

// Hands a compressed piece to the sink, with the header before the stream's first piece and the
// checksum after its last.
bool ParallelDeflate::Emit(const Batch& batch, Slot& slot, const Sink& sink) {
    adler_ = adler32_combine(adler_, slot.adler, static_cast<z_off_t>(slot.length));
    length_ += slot.length;
    std::size_t from = sizeof kZlibHeader;
    if (framing_ == Framing::kStretch)
        return sink(std::span<const unsigned char>(slot.bytes).subspan(from));
    if (!begun_) {
        std::memcpy(slot.bytes.data(), kZlibHeader, sizeof kZlibHeader);
        from = 0;
        begun_ = true;
    }
    if (batch.last && batch.written == batch.count - 1)
        BigEndian32(adler_, slot.bytes);
    return sink(std::span<const unsigned char>(slot.bytes).subspan(from));
}

namespace {

// Rows as a PNG picture holds them before compression, each with the SUB filter (filter byte 1):
// a byte is the difference from the same byte of the pixel on its left. Fractal pictures are runs
// of colour along their rows, which this filter packs best, and one filter for every row instead
// of trying all five on each writes large pictures in half the time.
void FilterRows(const Pixel* pixels, int rows, std::ptrdiff_t stride, int width,
                ParallelDeflate::Bytes& bytes) {
    const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(width);
    bytes.resize(rowBytes * static_cast<std::size_t>(rows));
    unsigned char* out = bytes.data();
    for (int y = 0; y < rows; ++y) {
        const Pixel* line = pixels + y * stride;
        *out++ = 1;
        Pixel left = 0;
        for (int x = 0; x < width; ++x) {
            const Pixel pixel = line[x];
            out[0] = static_cast<unsigned char>((pixel >> 16) - (left >> 16));
            out[1] = static_cast<unsigned char>((pixel >> 8) - (left >> 8));
            out[2] = static_cast<unsigned char>(pixel - left);
            out += 3;
            left = pixel;
        }
    }
}

}  // namespace

int PngPieceRows(int width) {
    const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(width);
    return static_cast<int>(std::max<std::size_t>(kPieceBytes / rowBytes, 1));
}

PngImageData::PngImageData(int width, int height, int threads, const std::function<void()>& onStart)
    : PngImageData(width, height, 0, height, threads, onStart, ParallelDeflate::Framing::kWhole) {}

PngImageData::PngImageData(int width, int height, int firstRow, int rows, int threads,
                           const std::function<void()>& onStart)
    : PngImageData(width, height, firstRow, rows, threads, onStart,
                   ParallelDeflate::Framing::kStretch) {}

PngImageData::PngImageData(int width, int height, int firstRow, int rows, int threads,
                           const std::function<void()>& onStart, ParallelDeflate::Framing framing)
    : width_(width),
      height_(rows),
      endsStream_(firstRow + rows == height),
      pieceRows_(PngPieceRows(width)),
      // No more threads than pieces.
      deflate_(std::min(threads, (rows - 1) / pieceRows_ + 1), onStart, framing) {}

bool PngImageData::Add(const Pixel* pixels, int rows, int stride,
                       const ParallelDeflate::Sink& sink) {
    if (rows <= 0)
        return true;
    if (rows > height_ - rowsIn_) {
        reason_ = "more rows than the picture has";
        return false;
    }
    try {
        int at = 0;  // the caller's rows taken
        const auto carry = [&](int count) {
            carry_.resize(static_cast<std::size_t>(pieceRows_) * width_);
            for (int y = 0; y < count; ++y)
                std::copy_n(pixels + static_cast<std::ptrdiff_t>(at + y) * stride, width_,
                            carry_.data() + static_cast<std::ptrdiff_t>(carryRows_ + y) * width_);
            carryRows_ += count;
            at += count;
            rowsIn_ += count;
        };
        struct Piece {
            const Pixel* first;
            int rows;
            std::ptrdiff_t stride;
        };
        std::vector<Piece> pieces;
        if (carryRows_ > 0) {
            carry(std::min(rows, pieceRows_ - carryRows_));
            if (carryRows_ < pieceRows_ && rowsIn_ < height_)
                return true;
            pieces.push_back({carry_.data(), carryRows_, width_});
        }
        // Whole pieces, and the picture's last rows however few, straight from the caller's rows.
        while (at < rows) {
            const int count = std::min(pieceRows_, rows - at);
            if (count < pieceRows_ && rowsIn_ + count < height_)
                break;
            pieces.push_back({pixels + static_cast<std::ptrdiff_t>(at) * stride, count, stride});
            at += count;
            rowsIn_ += count;
        }
        const auto fill = [&](int index, ParallelDeflate::Bytes& bytes) {
            const Piece& piece = pieces[static_cast<std::size_t>(index)];
            FilterRows(piece.first, piece.rows, piece.stride, width_, bytes);
        };
        const bool last = rowsIn_ == height_ && endsStream_;
        if (!deflate_.Compress(static_cast<int>(pieces.size()), fill, last, sink)) {
            reason_ = deflate_.Reason();
            return false;
        }
        carryRows_ = 0;
        if (at < rows)
            carry(rows - at);
        return true;
    } catch (const std::bad_alloc&) {
        reason_ = "out of memory";
        return false;
    }
}

bool PngImageDataJoin::Add(std::span<const unsigned char> chunk) {
    if (holding_ && !sink_(held_))
        return false;
    held_.clear();
    if (!holding_)
        held_.assign(std::begin(kZlibHeader), std::end(kZlibHeader));
    held_.insert(held_.end(), chunk.begin(), chunk.end());
    holding_ = true;
    return true;
}

void PngImageDataJoin::Count(unsigned long adler, std::uint64_t length) {
    adler_ = adler32_combine(adler_, adler, static_cast<z_off_t>(length));
}

bool PngImageDataJoin::Finish() {
    if (!holding_)
        return false;
    BigEndian32(adler_, held_);
    return sink_(held_);
}

}  // namespace zolt

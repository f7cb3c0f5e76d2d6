#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/image_buffer.h"

namespace zolt {

// One zlib stream compressed on several threads at once, as parallel gzip tools do. The stream
// is cut into pieces, each compressed on its own as a raw deflate stream that ends on a byte
// boundary (a sync flush; the stream's last piece ends it properly instead), so that the pieces
// joined in order are one valid deflate stream, and its Adler-32 checksum is theirs combined.
// Where the stream is cut is the caller's choice alone, never the threads', so the bytes are the
// same on any number of them.
class ParallelDeflate {
  public:
    using Bytes = std::vector<unsigned char>;
    // Makes the bytes of piece `index` (of the current call) into `bytes`, resizing it; runs on
    // any of the threads, several at once.
    using Fill = std::function<void(int index, Bytes& bytes)>;
    // Takes the stream's next bytes, in order, on the calling thread; false stops the stream.
    using Sink = std::function<bool(std::span<const unsigned char> bytes)>;

    // kWhole: a zlib stream, its header before the first piece and its checksum after the last.
    // kStretch: a stretch of one whose other pieces are compressed apart, in another process, and
    // joined later (PngImageDataJoin): neither header nor checksum; Adler() tells the checksum.
    enum class Framing { kWhole, kStretch };

    // `threads` compress at once, the calling thread included; each helper thread runs `onStart`
    // first (to take the caller's priority).
    explicit ParallelDeflate(int threads = 1, const std::function<void()>& onStart = {},
                             Framing framing = Framing::kWhole);
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // Compresses `count` pieces as the stream's next ones and hands them to `sink` in order, one
    // call a piece: the stream's first piece comes after the zlib header, its last one before the
    // checksum, in the same call. `last`: these pieces end the stream. At most a few pieces a
    // thread are held at once, however many there are. False when the sink refused or memory ran
    // out (Reason says why); the stream is then useless.
    bool Compress(int count, const Fill& fill, bool last, const Sink& sink);

    const std::string& Reason() const { return reason_; }
    // The Adler-32 checksum and the length of the bytes compressed so far.
    unsigned long Adler() const { return adler_; }
    std::uint64_t Length() const { return length_; }

  private:
    struct Batch;
    struct Slot;
    class Compressor;
    void Serve(const std::function<void()>& onStart);
    bool HasRoom(const Batch& batch) const;
    void Take(Batch& batch, Compressor& compressor, Bytes& input,
              std::unique_lock<std::mutex>& lock);
    bool Emit(const Batch& batch, Slot& slot, const Sink& sink);

    std::mutex mutex_;
    std::condition_variable wake_;   // helpers: a new batch, or room for another piece
    std::condition_variable ready_;  // the caller: a piece compressed, or the helpers gone
    Batch* batch_ = nullptr;         // the batch being compressed, none between them
    unsigned long serial_ = 0;       // counts the batches handed out
    int busy_ = 0;                   // helpers still in the current batch
    bool quit_ = false;
    std::vector<std::unique_ptr<Slot>> slots_;  // compressed pieces not yet written, a ring
    std::unique_ptr<Compressor> mine_;          // the calling thread's
    Bytes myInput_;
    Framing framing_;
    unsigned long adler_ = 1;  // of the bytes so far
    std::uint64_t length_ = 0;
    bool begun_ = false;  // the header is written
    std::string reason_;
    std::vector<std::thread> helpers_;
};

// The image data of an 8-bit RGB PNG picture (what its IDAT chunks hold), made from rows of
// pixels as they come and compressed on several threads. The rows are filtered with the SUB
// filter and cut into pieces of a fixed number of rows for the width, however the rows are
// handed in, so the bytes are the same on any number of threads.
class PngImageData {
  public:
    PngImageData(int width, int height, int threads, const std::function<void()>& onStart);
    // The image data of `rows` rows from `firstRow` alone, a band of a picture computed in parts
    // by separate processes: the band begins where a piece does (a multiple of PngPieceRows), is
    // a stretch of the stream (ParallelDeflate::Framing::kStretch) and ends it only when it ends
    // the picture. The bands' chunks joined in order (PngImageDataJoin) are the picture's own.
    PngImageData(int width, int height, int firstRow, int rows, int threads,
                 const std::function<void()>& onStart);

    // Takes the next `rows` rows of the picture from `pixels`, rows `stride` pixels apart (read
    // before it returns), and hands what is compressed to `sink`, in order, one call for each IDAT
    // chunk. With the picture's last row the image data is complete. False when there are more
    // rows than the picture has, or on a failure of the compression or of the sink.
    bool Add(const Pixel* pixels, int rows, int stride, const ParallelDeflate::Sink& sink);

    const std::string& Reason() const { return reason_; }
    // The checksum and length of the rows taken so far, filtered, before compression.
    unsigned long Adler() const { return deflate_.Adler(); }
    std::uint64_t Length() const { return deflate_.Length(); }

  private:
    PngImageData(int width, int height, int firstRow, int rows, int threads,
                 const std::function<void()>& onStart, ParallelDeflate::Framing framing);

    int width_;
    int height_;  // the rows taken
    bool endsStream_;
    int pieceRows_;
    int rowsIn_ = 0;
    // The rows of a piece begun by an earlier call: they are copied, since the caller's rows are
    // only ours until Add returns.
    std::vector<Pixel> carry_;
    int carryRows_ = 0;
    ParallelDeflate deflate_;
    std::string reason_;
};

// Rows of a piece of a picture `width` pixels wide: its image data is compressed in pieces of
// that many rows (the last one fewer).
int PngPieceRows(int width);

// Joins the image data of a picture's bands, compressed apart (PngImageData of bands), into the
// picture's own: their chunks in order, the stream's zlib header before the first and the
// checksum of all the rows after the last, each handed to `sink` as one IDAT chunk.
class PngImageDataJoin {
  public:
    explicit PngImageDataJoin(ParallelDeflate::Sink sink) : sink_(std::move(sink)) {}

    // The next chunk of a band.
    bool Add(std::span<const unsigned char> chunk);
    // A band's checksum and length, once its chunks are added.
    void Count(unsigned long adler, std::uint64_t length);
    // After the last band: hands over the last chunk with the checksum.
    bool Finish();

  private:
    ParallelDeflate::Sink sink_;
    ParallelDeflate::Bytes held_;  // the last chunk, which the checksum may have to follow
    bool holding_ = false;
    unsigned long adler_ = 1;
};

}  // namespace zolt

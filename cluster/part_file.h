#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/png_file.h"
#include "settings/safe_file.h"

namespace zolt {

// A picture too large for one machine is computed in parts, each by a process of its own (the
// tasks of a batch job, on any machines), into a folder of part files, and the parts are joined
// into the picture later. A part holds a band of whole rows, already compressed as the picture's
// image data, so joining them is copying: the picture is the one a single process writes, byte
// for byte, whatever machines and threads made its parts.
//
// A part file says which part of how many it is and everything the picture's bytes depend on,
// so that parts of another picture or of another split are told apart from the right ones, and
// it ends with a checksum of all it holds, so that a damaged one is found before it is used.
// Its layout: text lines giving the part and the picture, each text of the picture as a line
// with its length and keyword followed by its bytes, the line "image-data" with the CRC-32 of
// the header before its number (a header damaged is told from one of another picture at once),
// then the image data in chunks (a big-endian 32-bit length and the bytes), a chunk of length 0,
// the Adler-32 checksum (32 bits) and length (64 bits) of the rows before compression, and the
// CRC-32 of every byte before it.

// What every part of one picture has in common.
struct PartStamp {
    int parts = 0;  // how many parts the picture is split into
    int width = 0;
    int height = 0;
    int supersample = 1;         // samples along each side of a pixel
    int pieceRows = 0;           // rows compressed together: parts begin and end between them
    std::vector<PngText> texts;  // the picture's, its definition among them

    // The split alone differs: the same picture cut into another number of parts.
    bool SamePicture(const PartStamp& other) const;
    bool operator==(const PartStamp& other) const;
};

// The rows of a part.
struct RowSpan {
    int first = 0;
    int rows = 0;
};

// The rows of part `index`: the pieces of rows are shared out in order, as evenly as they go.
RowSpan PartRows(const PartStamp& stamp, int index);
// The most parts a picture of `height` rows can be split into, each with a piece at least.
int MostParts(int height, int pieceRows);

// Where part `index` is kept in a folder of parts, and the index a file name there gives.
std::filesystem::path PartPath(const std::filesystem::path& folder, int index);
std::optional<int> PartIndexOf(const std::filesystem::path& name);

struct PartHeader {
    int index = 0;
    PartStamp stamp;
};

// Writes a part file as a whole or not at all.
class PartWriter {
  public:
    bool Open(const std::filesystem::path& path, const PartHeader& header);
    // The next chunk of the picture's image data, as one of its IDAT chunks will hold it.
    bool Add(std::span<const unsigned char> chunk);
    // The checksum and length of the part's rows before compression; puts the file in place.
    bool Finish(unsigned long adler, std::uint64_t length);

    const std::string& Reason() const { return file_.Reason(); }

  private:
    bool Put(std::span<const unsigned char> bytes);
    AtomicFile file_;
    unsigned long crc_ = 0;
};

// Reads a part file: its header at once, then its chunks one at a time, so that memory stays a
// chunk however large the part.
class PartReader {
  public:
    enum class Status { kRead, kMissing, kDamaged };

    PartReader() = default;
    ~PartReader();
    PartReader(const PartReader&) = delete;
    PartReader& operator=(const PartReader&) = delete;

    Status Open(const std::filesystem::path& path);
    const PartHeader& Header() const { return header_; }
    // The next chunk into `chunk`; false at the end of the image data or when the part is
    // damaged, which Whole then tells.
    bool Next(std::vector<unsigned char>& chunk);
    // Once Next has returned false: the whole part was read and its checksum is right.
    bool Whole() const { return whole_; }
    unsigned long Adler() const { return adler_; }
    std::uint64_t Length() const { return length_; }
    // Why the part could not be read, or is damaged.
    const std::string& Reason() const { return reason_; }

  private:
    bool Read(void* bytes, std::size_t count);
    bool Line(std::string& line);
    bool Damaged(std::string reason);
    bool ReadHeader();

    std::FILE* file_ = nullptr;
    PartHeader header_;
    unsigned long crc_ = 0;
    bool ended_ = false;
    bool whole_ = false;
    unsigned long adler_ = 1;
    std::uint64_t length_ = 0;
    std::string reason_;
};

// Whether the part at `path` is part `index` of the picture `stamp` says, read through with its
// checksum right.
bool PartDone(const std::filesystem::path& path, const PartHeader& header);

}  // namespace zolt

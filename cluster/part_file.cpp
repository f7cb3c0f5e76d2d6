#include "cluster/part_file.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr const char* kMagic = "ZoltPart:1";
constexpr const char* kDataLine = "image-data";
// Bounds a reader holds any part to, far above what a writer makes: a picture's side, a chunk
// (a piece is a few hundred KiB compressed, or one row where a row is larger), its texts (a
// fractal file is at most 4 MiB), so that no part can make it take much memory.
constexpr int kMostSide = 65536;
constexpr int kMostSupersample = 64;
constexpr std::uint32_t kMostChunk = 1U << 24;
constexpr std::size_t kMostTexts = 16;
constexpr long long kMostTextBytes = 8LL << 20;  // all of them together
constexpr std::size_t kMostLine = 200;

void BigEndian(std::uint64_t value, int bytes, unsigned char* out) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

std::uint64_t FromBigEndian(const unsigned char* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | in[i];
    return value;
}

std::span<const unsigned char> Bytes(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// The words of a line, split at single blanks.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at <= line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// Digits alone: anything else would be a second spelling of the same header.
std::optional<int> Number(std::string_view text, int low, int high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto value = ParseInteger(text, low, high, {.sign = false});
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

}  // namespace

bool PartStamp::SamePicture(const PartStamp& other) const {
    const auto sameTexts = [&] {
        return std::equal(texts.begin(), texts.end(), other.texts.begin(), other.texts.end(),
                          [](const PngText& a, const PngText& b) {
                              return a.keyword == b.keyword && a.text == b.text;
                          });
    };
    return width == other.width && height == other.height && supersample == other.supersample &&
           pieceRows == other.pieceRows && sameTexts();
}

bool PartStamp::operator==(const PartStamp& other) const {
    return parts == other.parts && SamePicture(other);
}

int MostParts(int height, int pieceRows) {
    return pieceRows > 0 ? (height + pieceRows - 1) / pieceRows : 0;
}

RowSpan PartRows(const PartStamp& stamp, int index) {
    const long long pieces = MostParts(stamp.height, stamp.pieceRows);
    const auto rowOf = [&](int part) {
        const long long piece = pieces * part / std::max(stamp.parts, 1);
        return static_cast<int>(std::min<long long>(piece * stamp.pieceRows, stamp.height));
    };
    const int first = rowOf(index);
    return {first, rowOf(index + 1) - first};
}

std::filesystem::path PartPath(const std::filesystem::path& folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "part-%05d.zpart", index);
    return folder / name;
}

std::optional<int> PartIndexOf(const std::filesystem::path& name) {
    const std::string text = name.filename().string();
    constexpr std::string_view kPrefix = "part-";
    constexpr std::string_view kSuffix = ".zpart";
    if (text.size() <= kPrefix.size() + kSuffix.size() || !text.starts_with(kPrefix) ||
        !text.ends_with(kSuffix))
        return std::nullopt;
    // Only the name PartPath gives: another spelling of the index would be a second file for it.
    const auto index = Number(std::string_view(text).substr(
                                  kPrefix.size(), text.size() - kPrefix.size() - kSuffix.size()),
                              0, kMostSide - 1);
    if (!index || PartPath({}, *index).filename() != text)
        return std::nullopt;
    return index;
}

bool PartWriter::Open(const std::filesystem::path& path, const PartHeader& header) {
    crc_ = crc32(0, nullptr, 0);
    // Parts of one picture are saved into their folder from many machines at once.
    KeepLeftovers(path.parent_path().empty() ? "." : path.parent_path());
    if (!file_.Open(path))
        return false;
    const PartStamp& stamp = header.stamp;
    std::string text = std::string(kMagic) + "\npart " + std::to_string(header.index) + " of " +
                       std::to_string(stamp.parts) + "\nsize " + std::to_string(stamp.width) + " " +
                       std::to_string(stamp.height) + "\nsupersample " +
                       std::to_string(stamp.supersample) + "\npiece-rows " +
                       std::to_string(stamp.pieceRows) + "\n";
    for (const PngText& t : stamp.texts)
        text += "text " + std::to_string(t.text.size()) + " " + t.keyword + "\n" + t.text + "\n";
    // The header's own checksum tells a damaged header from one of another picture before the
    // image data is read.
    text += std::string(kDataLine) + " ";
    text += std::to_string(crc32_z(0, Bytes(text).data(), text.size())) + "\n";
    return Put(Bytes(text));
}

bool PartWriter::Put(std::span<const unsigned char> bytes) {
    crc_ = crc32_z(crc_, bytes.data(), bytes.size());
    return file_.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

bool PartWriter::Add(std::span<const unsigned char> chunk) {
    unsigned char length[4];
    BigEndian(chunk.size(), 4, length);
    return Put(length) && Put(chunk);
}

bool PartWriter::Finish(unsigned long adler, std::uint64_t length) {
    unsigned char end[16];
    BigEndian(0, 4, end);
    BigEndian(adler, 4, end + 4);
    BigEndian(length, 8, end + 8);
    if (!Put(end))
        return false;
    unsigned char crc[4];
    BigEndian(crc_, 4, crc);
    return file_.Write({reinterpret_cast<const char*>(crc), sizeof crc}) && file_.Commit();
}

PartReader::~PartReader() {
    if (file_ != nullptr)
        std::fclose(file_);
}

bool PartReader::Damaged(std::string reason) {
    if (reason_.empty())
        reason_ = std::move(reason);
    ended_ = true;
    whole_ = false;
    return false;
}

bool PartReader::Read(void* bytes, std::size_t count) {
    if (std::fread(bytes, 1, count, file_) != count)
        return Damaged(std::ferror(file_) != 0 ? std::strerror(errno) : "it ends early");
    crc_ = crc32_z(crc_, static_cast<const unsigned char*>(bytes), count);
    return true;
}

bool PartReader::Line(std::string& line) {
    line.clear();
    for (char c = 0; Read(&c, 1);) {
        if (c == '\n')
            return true;
        if (line.size() == kMostLine)
            return Damaged("a line of its header is too long");
        line += c;
    }
    return false;
}

PartReader::Status PartReader::Open(const std::filesystem::path& path) {
    bool missing = false;
    const int fd = OpenRegularFile(path, &reason_, &missing);
    if (fd < 0)
        return missing ? Status::kMissing : Status::kDamaged;
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        reason_ = std::strerror(errno);
        ::close(fd);
        return Status::kDamaged;
    }
    crc_ = crc32(0, nullptr, 0);
    return ReadHeader() ? Status::kRead : Status::kDamaged;
}

bool PartReader::ReadHeader() {
    const std::string bad = "its header is damaged";
    std::string line;
    if (!Line(line) || line != kMagic)
        return Damaged("it is not a part file");
    PartStamp& stamp = header_.stamp;
    // Each line as written, its numbers within what a picture can have.
    const auto field = [&](std::string_view name, std::initializer_list<int*> out, int low,
                           int high) {
        if (!Line(line))
            return false;
        const auto words = Words(line);
        if (words.size() != out.size() + 1 || words[0] != name)
            return Damaged(bad);
        auto word = words.begin() + 1;
        for (int* value : out)
            if (!StoreNumber(Number(*word++, low, high), *value))
                return Damaged(bad);
        return true;
    };
    int of = 0;
    if (!Line(line))
        return false;
    const auto part = Words(line);
    if (part.size() != 4 || part[0] != "part" || part[2] != "of" ||
        !StoreNumber(Number(part[1], 0, kMostSide - 1), header_.index) ||
        !StoreNumber(Number(part[3], 1, kMostSide), of))
        return Damaged(bad);
    stamp.parts = of;
    if (!field("size", {&stamp.width, &stamp.height}, 1, kMostSide) ||
        !field("supersample", {&stamp.supersample}, 1, kMostSupersample) ||
        !field("piece-rows", {&stamp.pieceRows}, 1, kMostSide))
        return false;
    if (header_.index >= stamp.parts || stamp.parts > MostParts(stamp.height, stamp.pieceRows))
        return Damaged(bad);
    long long textBytes = kMostTextBytes;  // what the texts still left may hold
    for (;;) {
        const unsigned long before = crc_;
        if (!Line(line))
            return false;
        const std::string prefix = std::string(kDataLine) + " ";
        if (line.starts_with(prefix)) {
            // The header's own checksum, of every byte before the number.
            const unsigned long crc = crc32_z(before, Bytes(prefix).data(), prefix.size());
            if (line != prefix + std::to_string(crc))
                return Damaged(bad);
            break;
        }
        const auto words = Words(line);
        const std::size_t blank = line.find(' ', 5);
        long long size = 0;
        if (words.size() < 3 || words[0] != "text" || blank + 1 == line.size() ||
            stamp.texts.size() == kMostTexts ||
            !StoreNumber(ParseInteger(words[1], 0, textBytes, {.sign = false}), size))
            return Damaged(bad);
        textBytes -= size;
        PngText text{line.substr(blank + 1), std::string(static_cast<std::size_t>(size), '\0')};
        char end = 0;
        if (!Read(text.text.data(), text.text.size()) || !Read(&end, 1))
            return false;
        if (end != '\n')
            return Damaged(bad);
        stamp.texts.push_back(std::move(text));
    }
    return true;
}

bool PartReader::Next(std::vector<unsigned char>& chunk) {
    if (ended_)
        return false;
    unsigned char length[4];
    if (!Read(length, sizeof length))
        return false;
    const auto size = static_cast<std::uint32_t>(FromBigEndian(length, 4));
    if (size > kMostChunk)
        return Damaged("a chunk of it is too long");
    if (size > 0) {
        chunk.resize(size);
        return Read(chunk.data(), size);
    }
    // The end: the rows' checksum and length, and the file's checksum.
    unsigned char end[12];
    if (!Read(end, sizeof end))
        return false;
    adler_ = static_cast<unsigned long>(FromBigEndian(end, 4));
    length_ = FromBigEndian(end + 4, 8);
    const unsigned long expected = crc_;
    unsigned char crc[4];
    if (!Read(crc, sizeof crc))
        return false;
    if (FromBigEndian(crc, 4) != expected)
        return Damaged("its checksum does not match");
    char more = 0;
    if (std::fread(&more, 1, 1, file_) != 0)
        return Damaged("it goes on after its end");
    ended_ = true;
    whole_ = true;
    return false;
}

bool PartDone(const std::filesystem::path& path, const PartHeader& header) {
    PartReader reader;
    if (reader.Open(path) != PartReader::Status::kRead || reader.Header().index != header.index ||
        !(reader.Header().stamp == header.stamp))
        return false;
    std::vector<unsigned char> chunk;
    while (reader.Next(chunk)) {
    }
    return reader.Whole();
}

}  // namespace zolt

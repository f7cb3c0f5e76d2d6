#include "document/png_file.h"

#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "document/png_deflate.h"

namespace zolt {

// libpng reports errors by a long jump back to the last setjmp. Every call into it therefore
// happens inside Guarded, right after its setjmp, in a step whose locals need no destructor.

struct PngWriter::State {
    AtomicFile file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::unique_ptr<PngImageData> data;
    std::string reason;
    int rowsLeft = 0;
    bool open = false;

    ~State() {
        if (png != nullptr)
            png_destroy_write_struct(&png, &info);
    }
};

namespace {

void OnError(png_structp png, png_const_charp message) {
    auto* reason = static_cast<std::string*>(png_get_error_ptr(png));
    if (reason != nullptr && reason->empty())
        *reason = message;
    std::longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<AtomicFile*>(png_get_io_ptr(png));
    if (!file->Write({reinterpret_cast<const char*>(data), length}))
        png_error(png, file->Reason().c_str());
}

void OnFlush(png_structp) {}

// The chunks written apart from libpng's own: the image data and the end.
constexpr png_byte kIdat[] = "IDAT";
constexpr png_byte kIend[] = "IEND";

// Runs `step`, which calls into libpng; false when libpng gave up on it.
template <class Step>
bool Guarded(png_structp png, const Step& step) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

void BeginPicture(png_structp png, png_infop info, int width, int height, png_text* texts,
                  int textCount) {
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (textCount > 0)
        png_set_text(png, info, texts, textCount);
    png_write_info(png, info);
}

}  // namespace

PngWriter::PngWriter(int threads, std::function<void()> onStart)
    : threads_(threads), onStart_(std::move(onStart)) {}
PngWriter::~PngWriter() = default;

const std::string& PngWriter::Reason() const {
    static const std::string none;
    return state_ != nullptr ? state_->reason : none;
}

bool PngWriter::Open(const std::filesystem::path& path, int width, int height,
                     std::span<const PngText> texts, AtomicFile::Fifo fifo) {
    state_ = std::make_unique<State>();
    State& s = *state_;
    if (width <= 0 || height <= 0) {
        s.reason = "a picture needs a width and a height";
        return false;
    }
    if (!s.file.Open(path, fifo)) {
        s.reason = s.file.Reason();
        return false;
    }
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s.reason, OnError, OnWarning);
    if (s.png != nullptr)
        s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) {
        s.reason = "out of memory";
        return false;
    }
    png_set_write_fn(s.png, &s.file, OnWrite, OnFlush);
    // Long texts (the definition with its palette) are compressed; short ones stay readable.
    std::vector<png_text> chunks(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        chunks[i].compression =
            texts[i].text.size() > 1024 ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<png_charp>(texts[i].keyword.c_str());
        chunks[i].text = const_cast<png_charp>(texts[i].text.c_str());
        chunks[i].text_length = texts[i].text.size();
    }
    s.rowsLeft = height;
    s.open = Guarded(s.png, [&] {
        BeginPicture(s.png, s.info, width, height, chunks.data(), static_cast<int>(chunks.size()));
    });
    // The image data is compressed apart from libpng, on several threads, and written as IDAT
    // chunks of its own between libpng's chunks before it and the end.
    if (s.open)
        s.data = std::make_unique<PngImageData>(width, height, threads_, onStart_);
    return s.open;
}

bool PngWriter::WriteRows(const Pixel* pixels, int rows, int stride) {
    if (state_ == nullptr || !state_->open)
        return false;
    State& s = *state_;
    const auto chunk = [&s](std::span<const unsigned char> bytes) {
        return Guarded(s.png, [&] { png_write_chunk(s.png, kIdat, bytes.data(), bytes.size()); });
    };
    if (!s.data->Add(pixels, rows, stride, chunk)) {
        if (s.reason.empty())
            s.reason = s.data->Reason();
        return s.open = false;
    }
    s.rowsLeft -= std::max(rows, 0);
    return true;
}

bool PngWriter::WriteImageData(std::span<const unsigned char> chunk) {
    if (state_ == nullptr || !state_->open)
        return false;
    State& s = *state_;
    if (!Guarded(s.png, [&] { png_write_chunk(s.png, kIdat, chunk.data(), chunk.size()); }))
        return s.open = false;
    s.rowsLeft = 0;
    return true;
}

bool PngWriter::Finish() {
    if (state_ == nullptr || !state_->open)
        return false;
    State& s = *state_;
    s.open = false;
    if (s.rowsLeft != 0) {
        s.reason = "the picture is not complete";
        return false;
    }
    s.data.reset();  // its threads are done
    if (!Guarded(s.png, [&] { png_write_chunk(s.png, kIend, nullptr, 0); }))
        return false;
    if (!s.file.Commit()) {
        s.reason = s.file.Reason();
        return false;
    }
    return true;
}

bool WritePng(const ImageBuffer& image, const std::filesystem::path& path,
              std::span<const PngText> texts, std::string* reason, int threads) {
    PngWriter writer(threads);
    const bool written = writer.Open(path, image.width, image.height, texts) &&
                         writer.WriteRows(image.pixels.data(), image.height, image.width) &&
                         writer.Finish();
    if (!written && reason != nullptr)
        *reason = writer.Reason();
    return written;
}

namespace {

// A reading of a picture's texts. libpng would keep every text chunk in memory (a thousand
// compressed ones of 4 MiB each come to gigabytes) and give up looking after a thousand, so the
// texts come to OnChunk one at a time instead: the one looked for is kept, the others dropped.
struct Reading {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string error;  // libpng's words when it gave up
    bool outOfMemory = false;
    std::size_t largestBlock = 0;  // what libpng may allocate at once
    std::string_view keyword;
    std::size_t maxTextBytes = 0;
    std::optional<std::string> text;  // the first text under the keyword
    std::string textFault;            // why that text could not be taken

    ~Reading() {
        if (png != nullptr)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        if (file != nullptr)
            std::fclose(file);
    }
};

png_voidp Allocate(png_structp png, png_alloc_size_t size) {
    auto* r = static_cast<Reading*>(png_get_mem_ptr(png));
    if (size > r->largestBlock)
        return nullptr;
    void* block = std::malloc(size);
    if (block == nullptr)
        r->outOfMemory = true;
    return block;
}

void Release(png_structp, png_voidp block) {
    std::free(block);
}

void OnRead(png_structp png, png_bytep data, png_size_t length) {
    auto* r = static_cast<Reading*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, r->file) != length)
        png_error(png, std::ferror(r->file) != 0 ? std::strerror(errno) : "the file ends early");
}

// A zlib stream unpacked, when it unpacks whole to at most `limit` bytes; otherwise `fault`
// says why not.
std::optional<std::string> Unpack(std::string_view packed, std::size_t limit, std::string& fault) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        fault = "out of memory";
        return std::nullopt;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    std::string text;
    std::vector<char> buffer(1 << 16);
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer.data());
        z.avail_out = static_cast<uInt>(buffer.size());
        status = inflate(&z, Z_NO_FLUSH);
        const std::size_t got = buffer.size() - z.avail_out;
        if (text.size() + got > limit) {
            fault = "the fractal in it is larger than " + std::to_string(limit) + " bytes";
            status = Z_BUF_ERROR;
            break;
        }
        text.append(buffer.data(), got);
    }
    inflateEnd(&z);
    if (status == Z_STREAM_END)
        return text;
    if (fault.empty())
        fault = status == Z_MEM_ERROR ? "out of memory" : "the fractal in it is damaged";
    return std::nullopt;
}

// The text of a tEXt, zTXt or iTXt chunk after its keyword, when `r` is looking for it.
void TakeText(Reading& r, std::string_view type, std::string_view data) {
    const std::string damaged = "the fractal in it is damaged";
    // zTXt: the compression method, then the packed text. iTXt: a compression flag and method,
    // a language tag and a translated keyword (each ended by a NUL), then the text.
    bool packed = type == "zTXt";
    std::size_t header = packed ? 1 : 0;
    bool whole = true;
    if (type == "iTXt") {
        packed = !data.empty() && data[0] != 0;
        header = 2;
        for (int field = 0; field < 2 && whole; ++field) {
            const std::size_t end = data.find('\0', header);
            whole = end != std::string_view::npos;
            header = end + 1;
        }
    }
    const std::size_t method = type == "iTXt" ? 1 : 0;
    if (!whole || header > data.size() || (packed && data[method] != 0)) {
        r.textFault = damaged;
        return;
    }
    data.remove_prefix(header);
    if (packed)
        r.text = Unpack(data, r.maxTextBytes, r.textFault);
    else if (data.size() > r.maxTextBytes)
        r.textFault =
            "the fractal in it is larger than " + std::to_string(r.maxTextBytes) + " bytes";
    else
        r.text = std::string(data);
}

// Every chunk that does not shape the pixels comes here once libpng has checked it.
int OnChunk(png_structp png, png_unknown_chunkp chunk) {
    auto& r = *static_cast<Reading*>(png_get_user_chunk_ptr(png));
    const std::string_view type(reinterpret_cast<const char*>(chunk->name), 4);
    if (r.text || !r.textFault.empty() || (type != "tEXt" && type != "zTXt" && type != "iTXt"))
        return 1;
    std::string_view data(reinterpret_cast<const char*>(chunk->data), chunk->size);
    const std::size_t end = data.find('\0');
    if (end == std::string_view::npos || data.substr(0, end) != r.keyword)
        return 1;
    try {
        TakeText(r, type, data.substr(end + 1));
    } catch (const std::bad_alloc&) {
        r.outOfMemory = true;
        r.textFault = "out of memory";
    }
    return 1;
}

}  // namespace

PngTextRead ReadPngText(const std::filesystem::path& path, const std::string& keyword,
                        std::size_t maxTextBytes) {
    using Status = PngTextRead::Status;
    Reading r;
    r.keyword = keyword;
    r.maxTextBytes = maxTextBytes;
    const auto failed = [](std::string why) {
        return PngTextRead{Status::kFailed, {}, std::move(why)};
    };
    // As every file the program reads: never blocking, and only a regular one.
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0)
        return failed(why);
    r.file = ::fdopen(fd, "rb");
    if (r.file == nullptr) {
        ::close(fd);
        return failed(std::strerror(errno));
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, r.file) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return {Status::kNotPng, {}, "not a PNG picture"};
    // No chunk larger than the largest text (with its keyword, its terminator and a language
    // tag) is read into memory, and libpng has nothing larger to allocate.
    const std::size_t largestChunk = maxTextBytes + 256;
    r.largestBlock = largestChunk + (1 << 20);
    r.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &r.error, OnError, OnWarning, &r,
                                     Allocate, Release);
    if (r.png != nullptr)
        r.info = png_create_info_struct(r.png);
    if (r.info == nullptr)
        return failed("out of memory");
    png_set_read_fn(r.png, &r, OnRead);
    png_set_sig_bytes(r.png, sizeof signature);
    png_set_chunk_malloc_max(r.png, largestChunk);
    png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_read_user_chunk_fn(r.png, &r, OnChunk);
    // What libpng would pass over with a warning is damage all the same: a chunk longer than
    // any it reads (it would allocate and clear it whole first), a checksum that does not match.
    png_set_crc_action(r.png, PNG_CRC_NO_CHANGE, PNG_CRC_ERROR_QUIT);
    png_set_benign_errors(r.png, 0);
    // The texts come before the pixels, which are never read.
    const bool read = Guarded(r.png, [&] { png_read_info(r.png, r.info); });
    if (r.text)
        return {Status::kFound, std::move(*r.text), {}};
    if (r.outOfMemory)
        return failed("out of memory");
    if (!r.textFault.empty())
        return failed(r.textFault);
    if (!read)
        return failed("the picture is damaged (" + r.error + ")");
    return {Status::kNoText, {}, "the picture holds no fractal"};
}

}  // namespace zolt

#include "document/png_file.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
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

struct Reading {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string reason;

    ~Reading() {
        if (png != nullptr)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        if (file != nullptr)
            std::fclose(file);
    }
};

}  // namespace

PngTextRead ReadPngText(const std::filesystem::path& path, const std::string& keyword,
                        std::size_t maxTextBytes) {
    using Status = PngTextRead::Status;
    Reading r;
    const auto fail = [&](Status status, std::string why) {
        return PngTextRead{status, {}, r.reason.empty() ? std::move(why) : r.reason};
    };
    // As every file the program reads: never blocking, and only a regular one.
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0)
        return fail(Status::kFailed, why);
    r.file = ::fdopen(fd, "rb");
    if (r.file == nullptr) {
        ::close(fd);
        return fail(Status::kFailed, std::strerror(errno));
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, r.file) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0)
        return fail(Status::kNotPng, "not a PNG picture");
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.reason, OnError, OnWarning);
    if (r.png != nullptr)
        r.info = png_create_info_struct(r.png);
    if (r.info == nullptr)
        return fail(Status::kFailed, "out of memory");
    png_init_io(r.png, r.file);
    png_set_sig_bytes(r.png, sizeof signature);
    // A compressed text can unpack to far more than the file holds; none of ours is larger
    // than a fractal file can be, and a larger one is dropped unread.
    constexpr std::size_t kKeywordRoom = 256;  // a keyword, its terminator, a language tag
    png_set_chunk_malloc_max(r.png, maxTextBytes + kKeywordRoom);
    // The texts come before the pixels, which are never read.
    if (!Guarded(r.png, [&] { png_read_info(r.png, r.info); }))
        return fail(Status::kFailed, "a damaged PNG picture");
    png_textp texts = nullptr;
    const int count = png_get_text(r.png, r.info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        if (texts[i].key != nullptr && keyword == texts[i].key) {
            // An international text (iTXt) gives its length apart.
            const std::size_t length =
                texts[i].compression > 0 ? texts[i].itxt_length : texts[i].text_length;
            if (length > maxTextBytes)
                return fail(Status::kFailed,
                            "a text larger than " + std::to_string(maxTextBytes) + " bytes");
            return {Status::kFound, std::string(texts[i].text, length), {}};
        }
    }
    return fail(Status::kNoText, "the picture holds no fractal");
}

}  // namespace zolt

#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/image_buffer.h"
#include "settings/safe_file.h"

namespace zolt {

// Pictures as PNG files (8-bit RGB): written row by row, so that a picture of any size needs no
// more memory than the rows at hand, and compressed on several threads, with texts kept inside
// (the definition a picture shows goes into a text chunk, so the picture can be opened again as a
// fractal); and read back for those texts.

struct PngText {
    std::string keyword;
    std::string text;
};

class PngWriter {
  public:
    // `threads` compress the picture, the calling thread included; each helper thread runs
    // `onStart` first. The file's bytes are the same whatever the threads.
    explicit PngWriter(int threads = 1, std::function<void()> onStart = {});
    ~PngWriter();  // a picture not finished is dropped; the target stays as it was
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // Begins a width x height picture at `path` (written as an AtomicFile), with the texts.
    bool Open(const std::filesystem::path& path, int width, int height,
              std::span<const PngText> texts,
              AtomicFile::Fifo fifo = AtomicFile::Fifo::kRefuseWithoutReader);
    // Writes the next `rows` rows of the picture from `pixels`, rows `stride` pixels apart, which
    // are read before it returns.
    bool WriteRows(const Pixel* pixels, int rows, int stride);
    // Writes image data compressed elsewhere (see PngImageDataJoin) as the next IDAT chunk,
    // instead of rows: the caller answers for it holding every row.
    bool WriteImageData(std::span<const unsigned char> chunk);
    // Ends the picture and puts the file in place; every row must have been written.
    bool Finish();

    // Why the last operation failed, in the system's words where the system refused.
    const std::string& Reason() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
    int threads_;
    std::function<void()> onStart_;
};

// Writes a whole image with the texts, compressed on `threads` threads.
bool WritePng(const ImageBuffer& image, const std::filesystem::path& path,
              std::span<const PngText> texts = {}, std::string* reason = nullptr, int threads = 1);

// The text under a keyword of a PNG file, or why there is none.
struct PngTextRead {
    enum class Status { kFound, kNotPng, kNoText, kFailed };
    Status status = Status::kFailed;
    std::string text;
    std::string reason;  // for kFailed: the system's words, or what is wrong with the file
};

// Looks for the text under `keyword` in the file at `path`, read no further than the texts
// before the pixels. A text that unpacks to more than `maxTextBytes` is not read.
PngTextRead ReadPngText(const std::filesystem::path& path, const std::string& keyword,
                        std::size_t maxTextBytes);

}  // namespace zolt

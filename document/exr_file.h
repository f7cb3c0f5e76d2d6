#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace zolt {

// OpenEXR pictures of a view's iteration data, the format other fractal programs read to colour
// and assemble pictures and movies themselves. Channels: R, G, B (half, linear light: the colours
// as Zolt shows them, so any viewer shows the picture), N (uint: the escape-time count), NF
// (float: its smooth fraction), DEX and DEY (float: the direction of the distance estimate).
// The file's header holds string attributes beside the channels (the view). Written in bands of
// rows, so a picture of any size needs the memory of a band.

struct ExrAttribute {
    std::string name;
    std::string text;
};

// One band of rows, each plane `rows` x width values.
struct ExrRows {
    const float* red = nullptr;  // linear light
    const float* green = nullptr;
    const float* blue = nullptr;
    const std::uint32_t* count = nullptr;
    const float* fraction = nullptr;
    const float* distanceX = nullptr;
    const float* distanceY = nullptr;
    int rows = 0;
};

class ExrWriter {
  public:
    ExrWriter();
    ~ExrWriter();  // a picture not finished is dropped; the target stays as it was
    ExrWriter(const ExrWriter&) = delete;
    ExrWriter& operator=(const ExrWriter&) = delete;

    // Begins a width x height picture at `path`: written to a hidden file beside it that takes
    // its place when finished.
    bool Open(const std::filesystem::path& path, int width, int height,
              std::span<const ExrAttribute> attributes);
    // The next rows, from the top.
    bool WriteRows(const ExrRows& rows);
    // Ends the picture and puts the file in place; every row must have been written.
    bool Finish();

    const std::string& Reason() const { return reason_; }

  private:
    struct State;
    std::unique_ptr<State> state_;
    std::string reason_;
};

}  // namespace zolt

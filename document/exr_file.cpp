#include "document/exr_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfStringAttribute.h>
#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

namespace zolt {

namespace {

struct Plane {
    const char* name;
    Imf::PixelType type;
};

constexpr Plane kPlanes[] = {
    {"R", Imf::HALF},   {"G", Imf::HALF},    {"B", Imf::HALF},    {"N", Imf::UINT},
    {"NF", Imf::FLOAT}, {"DEX", Imf::FLOAT}, {"DEY", Imf::FLOAT},
};

}  // namespace

struct ExrWriter::State {
    std::filesystem::path target;
    std::string temporary;
    std::unique_ptr<Imf::OutputFile> file;
    std::vector<Imath::half> red, green, blue;  // one band, converted
    int width = 0;
    int height = 0;
    int rowsDone = 0;

    ~State() {
        file.reset();
        if (!temporary.empty())
            ::unlink(temporary.c_str());
    }
};

ExrWriter::ExrWriter() = default;
ExrWriter::~ExrWriter() = default;

bool ExrWriter::Open(const std::filesystem::path& path, int width, int height,
                     std::span<const ExrAttribute> attributes) {
    state_.reset();
    reason_.clear();
    if (width <= 0 || height <= 0) {
        reason_ = "a picture needs a width and a height";
        return false;
    }
    auto state = std::make_unique<State>();
    state->target = path;
    state->width = width;
    state->height = height;
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string name = (folder / ".zolt-exr-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return false;
    }
    // The mode a new file gets, not the private one of a temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    state->temporary = name;
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::ZIP_COMPRESSION;
        for (const Plane& plane : kPlanes)
            header.channels().insert(plane.name, Imf::Channel(plane.type));
        for (const ExrAttribute& attribute : attributes)
            header.insert(attribute.name, Imf::StringAttribute(attribute.text));
        state->file = std::make_unique<Imf::OutputFile>(name.c_str(), header);
    } catch (const std::exception& error) {
        reason_ = error.what();
        return false;
    }
    state_ = std::move(state);
    return true;
}

bool ExrWriter::WriteRows(const ExrRows& rows) {
    if (state_ == nullptr || state_->file == nullptr) {
        reason_ = "the picture is not open";
        return false;
    }
    State& s = *state_;
    if (rows.rows < 1 || s.rowsDone + rows.rows > s.height) {
        reason_ = "more rows than the picture has";
        return false;
    }
    try {
        const std::size_t values = static_cast<std::size_t>(s.width) * rows.rows;
        for (auto [plane, from] : {std::pair{&s.red, rows.red}, std::pair{&s.green, rows.green},
                                   std::pair{&s.blue, rows.blue}}) {
            plane->resize(values);
            for (std::size_t i = 0; i < values; ++i)
                (*plane)[i] = Imath::half(from[i]);
        }
        const Imath::V2i origin(0, s.rowsDone);
        const void* data[] = {s.red.data(),  s.green.data(), s.blue.data(), rows.count,
                              rows.fraction, rows.distanceX, rows.distanceY};
        Imf::FrameBuffer buffer;
        for (std::size_t i = 0; i < std::size(kPlanes); ++i)
            buffer.insert(kPlanes[i].name,
                          Imf::Slice::Make(kPlanes[i].type, data[i], origin, s.width, rows.rows));
        s.file->setFrameBuffer(buffer);
        s.file->writePixels(rows.rows);
        s.rowsDone += rows.rows;
        return true;
    } catch (const std::exception& error) {
        reason_ = error.what();
        s.file.reset();
        return false;
    }
}

bool ExrWriter::Finish() {
    if (state_ == nullptr || state_->file == nullptr) {
        reason_ = "the picture is not open";
        return false;
    }
    State& s = *state_;
    if (s.rowsDone != s.height) {
        reason_ = "the picture is not complete";
        return false;
    }
    try {
        s.file.reset();  // writes the rest and closes the file
    } catch (const std::exception& error) {
        reason_ = error.what();
        return false;
    }
    // On the disk before it takes the target's place, as every file the program saves.
    const int fd = ::open(s.temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced || ::rename(s.temporary.c_str(), s.target.c_str()) != 0) {
        reason_ = std::strerror(errno);
        return false;
    }
    s.temporary.clear();
    state_.reset();
    return true;
}

}  // namespace zolt

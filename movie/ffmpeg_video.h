#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/image_buffer.h"

namespace zolt {

// MP4 videos (H.264, yuv420p: what every player plays) made by the ffmpeg program, which is fed
// the frames as raw RGB through a pipe. The same frames give the same file, byte for byte: the
// encoder runs a fixed number of threads and ffmpeg writes no version or time into it.

// What to tell the user when there is no ffmpeg.
inline constexpr const char* kFfmpegNeeded = "ffmpeg is needed to make an MP4 video";

// The ffmpeg program: ZOLT_FFMPEG when it is set, otherwise "ffmpeg" on the PATH; nothing when
// there is none that can run.
std::optional<std::filesystem::path> FindFfmpeg();

class FfmpegVideo {
  public:
    FfmpegVideo() = default;
    ~FfmpegVideo();  // a video not finished is ended and its file removed
    FfmpegVideo(const FfmpegVideo&) = delete;
    FfmpegVideo& operator=(const FfmpegVideo&) = delete;

    // Starts ffmpeg writing `path` (a new file; ffmpeg's messages go to `log`).
    bool Start(const std::filesystem::path& program, const std::filesystem::path& path,
               const std::filesystem::path& log, int width, int height, int fps,
               std::string& reason);
    // The next frame, of the size started with.
    bool Write(const ImageBuffer& frame, std::string& reason);
    // Ends the video and waits for ffmpeg: true when it made the file.
    bool Finish(std::string& reason);
    // Ends ffmpeg at once and removes what it wrote, unless it finished.
    void Abort();

  private:
    bool Failed(std::string& reason, const std::string& what);

    pid_t pid_ = -1;
    int input_ = -1;
    std::filesystem::path path_;
    std::filesystem::path log_;
    std::vector<unsigned char> row_;
    bool made_ = false;  // the file is complete: it stays
};

}  // namespace zolt

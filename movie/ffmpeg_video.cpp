#include "movie/ffmpeg_video.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace zolt {

namespace {

bool Runnable(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored) && ::access(path.c_str(), X_OK) == 0;
}

// The last line ffmpeg wrote to its log: its reason for failing.
std::string LastLine(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty())
            last = line;
    }
    return last;
}

}  // namespace

std::optional<std::filesystem::path> FindFfmpeg() {
    if (const char* chosen = std::getenv("ZOLT_FFMPEG"); chosen != nullptr && *chosen != '\0') {
        if (Runnable(chosen))
            return std::filesystem::path(chosen);
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / "ffmpeg";
        if (Runnable(candidate))
            return candidate;
    }
    return std::nullopt;
}

FfmpegVideo::~FfmpegVideo() {
    Abort();
}

bool FfmpegVideo::Failed(std::string& reason, const std::string& what) {
    const std::string said = LastLine(log_);
    reason = said.empty() ? what : "ffmpeg: " + said;
    Abort();
    return false;
}

bool FfmpegVideo::Start(const std::filesystem::path& program, const std::filesystem::path& path,
                        const std::filesystem::path& log, int width, int height, int fps,
                        std::string& reason) {
    Abort();
    path_ = path;
    log_ = log;
    made_ = false;
    row_.resize(static_cast<std::size_t>(width) * 3);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    // Fixed settings throughout, so that the same frames always give the same bytes: x264's
    // output depends on its thread count (four, whatever the machine has), and bitexact keeps
    // versions and times out of the file.
    std::vector<std::string> args = {
        program.string(), "-nostdin", "-hide_banner", "-loglevel", "error", "-f", "rawvideo",
        "-pix_fmt", "rgb24", "-s", size, "-framerate", rate, "-i", "pipe:0",
        // sRGB pixels become BT.709 video, which players assume for HD; on one thread, so that
        // the rows' conversion never depends on how the machine splits them.
        "-filter_threads", "1", "-vf",
        "scale=out_color_matrix=bt709:out_range=tv:flags=bitexact+accurate_rnd+full_chroma_int",
        // CRF 18 looks like the frames themselves. The veryfast preset encodes a 720p zoom at
        // less than half the time of the default and needs 180 MiB instead of 290, for a file of
        // about the same size: a zoom changes every pixel of every frame, which the slower
        // presets' searches gain little on.
        "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
        "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range",
        "tv", "-threads", "4", "-fflags", "+bitexact", "-flags:v", "+bitexact", "-map_metadata",
        "-1", "-movflags", "+faststart", "-f", "mp4", "-y", path.string()};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // ffmpeg starts with the signals as a program expects them, whatever this thread blocks.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error =
        ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (error != 0) {
        ::close(fds[1]);
        pid_ = -1;
        reason = "cannot start ffmpeg: " + std::string(std::strerror(error));
        return false;
    }
    input_ = fds[1];
    return true;
}

bool FfmpegVideo::Write(const ImageBuffer& frame, std::string& reason) {
    if (input_ < 0) {
        reason = "the video is not open";
        return false;
    }
    // A write to a pipe whose reader has gone raises SIGPIPE, which would end the program: held
    // back on this thread, the write fails with EPIPE instead and the signal is taken here.
    sigset_t pipe, previous;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, &previous);
    bool written = true;
    for (int y = 0; y < frame.height && written; ++y) {
        unsigned char* out = row_.data();
        for (int x = 0; x < frame.width; ++x) {
            const Pixel p = frame.At(x, y);
            *out++ = static_cast<unsigned char>(p >> 16);
            *out++ = static_cast<unsigned char>(p >> 8);
            *out++ = static_cast<unsigned char>(p);
        }
        for (std::size_t done = 0; done < row_.size();) {
            const ssize_t n = ::write(input_, row_.data() + done, row_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                written = false;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    const int error = errno;
    if (!written && error == EPIPE) {
        const timespec now{};
        ::sigtimedwait(&pipe, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!written)
        return Failed(reason, "ffmpeg stopped reading: " + std::string(std::strerror(error)));
    return true;
}

bool FfmpegVideo::Finish(std::string& reason) {
    if (pid_ < 0) {
        reason = "the video is not open";
        return false;
    }
    ::close(input_);
    input_ = -1;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) {
            pid_ = -1;
            return Failed(reason, std::strerror(errno));
        }
    }
    pid_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Failed(reason, "ffmpeg failed");
    made_ = true;
    return true;
}

void FfmpegVideo::Abort() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (!made_ && !path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

}  // namespace zolt

#include "movie/movie_maker.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "document/png_file.h"
#include "generation/worker_threads.h"
#include "movie/ffmpeg_video.h"
#include "movie/frame_blend.h"
#include "movie/keyframe_store.h"

namespace zolt {

namespace {

bool Cancelled(const MovieWork& work) {
    return work.cancel != nullptr && work.cancel->load(std::memory_order_relaxed);
}

// What every step of a movie needs first.
struct Movie {
    MoviePlan plan;
    std::filesystem::path folder;   // the keyframes
    std::filesystem::path scratch;  // the video while it is written, beside the output
    bool ownFolder = true;          // the keyframes' folder goes once the movie is written
};

std::optional<Movie> Begin(const FractalDef& end, const MovieSettings& settings,
                           const MovieOutput& output, std::string& reason) {
    const auto plan = PlanMovie(end, settings, reason);
    if (!plan)
        return std::nullopt;
    const std::filesystem::path beside = MovieWorkFolder(output.path);
    const bool own = output.workFolder.empty();
    Movie movie{*plan, own ? beside : output.workFolder, beside, own};
    std::error_code error;
    std::filesystem::create_directories(movie.folder, error);
    if (error) {
        reason = "cannot make the work folder '" + movie.folder.string() + "': " + error.message();
        return std::nullopt;
    }
    return movie;
}

std::optional<KeyframeSpec> Spec(const FractalDef& end, const MovieSettings& settings, int k,
                                 std::string& reason) {
    auto spec = SpecifyKeyframe(end, settings, k);
    if (!spec)
        reason = "keyframe " + std::to_string(k) + " lies beyond the coordinates Zolt can write";
    return spec;
}

// The keyframes among `wanted` that the folder lacks; nothing when one cannot be specified.
std::optional<std::vector<int>> Missing(const FractalDef& end, const MovieSettings& settings,
                                        const MovieOutput& output, const Movie& movie,
                                        std::span<const int> wanted, std::string& reason) {
    std::vector<int> missing;
    for (int k : wanted) {
        if (k < 0 || k > movie.plan.lastKeyframe) {
            reason = "the movie has no keyframe " + std::to_string(k);
            return std::nullopt;
        }
        const auto spec = Spec(end, settings, k, reason);
        if (!spec)
            return std::nullopt;
        if (!KeyframePresent(movie.folder, k, *spec, output.keyframeData))
            missing.push_back(k);
    }
    return missing;
}

bool Compute(const FractalDef& end, const MovieSettings& settings, const MovieOutput& output,
             const Movie& movie, std::span<const int> keyframes, const MovieWork& work,
             std::string& reason) {
    MovieObserver* observer = work.observer;
    ImageBuffer picture;
    for (int k : keyframes) {
        if (Cancelled(work)) {
            reason = "cancelled";
            return false;
        }
        const auto spec = Spec(end, settings, k, reason);
        if (!spec)
            return false;
        if (observer != nullptr)
            observer->KeyframeBegun(k);
        KeyframeWork keyframeWork{.threads = work.threads,
                                  .priority = work.priority,
                                  .data = output.keyframeData,
                                  .cancel = work.cancel};
        if (observer != nullptr) {
            keyframeWork.referenceProgress = [observer](double f, std::uint64_t) {
                observer->KeyframeReference(f);
            };
            const double height = settings.height;
            keyframeWork.rowProgress = [observer, height](int rows) {
                observer->KeyframeRows(rows / height);
            };
        }
        if (!ComputeKeyframe(movie.folder, k, *spec, settings, keyframeWork, picture, reason)) {
            if (reason != "cancelled")
                reason = "keyframe " + std::to_string(k) + ": " + reason;
            return false;
        }
        if (observer != nullptr)
            observer->KeyframeDone(k, picture);
    }
    return true;
}

// The keyframes the frames being drawn need, read from the folder once each while they are.
class KeyframeCache {
  public:
    KeyframeCache(std::filesystem::path folder, ViewSize size, std::size_t capacity)
        : folder_(std::move(folder)), size_(size), capacity_(capacity) {}

    std::shared_ptr<const ImageBuffer> Get(int k, std::string& reason) {
        std::lock_guard lock(mutex_);
        if (const auto found = loaded_.find(k); found != loaded_.end())
            return found->second;
        auto image = std::make_shared<ImageBuffer>();
        if (!LoadKeyframe(folder_, k, size_, *image, reason)) {
            // A damaged keyframe is computed anew when the movie is made again.
            std::error_code ignored;
            std::filesystem::remove(KeyframePath(folder_, k), ignored);
            reason = "keyframe " + std::to_string(k) + " was damaged (" + reason +
                     "); it is computed again when the movie is made again";
            return nullptr;
        }
        // Frames go from the widest keyframes to the end view: the widest kept are done with.
        while (loaded_.size() >= capacity_)
            loaded_.erase(std::prev(loaded_.end()));
        loaded_[k] = image;
        return image;
    }

  private:
    std::mutex mutex_;
    std::filesystem::path folder_;
    ViewSize size_;
    std::size_t capacity_;
    std::map<int, std::shared_ptr<const ImageBuffer>> loaded_;
};

// Where the frames go: the video takes them in order, a folder in any order.
class FrameSink {
  public:
    FrameSink(const MovieOutput& output, const Movie& movie, int frames)
        : output_(output), movie_(movie), frames_(frames) {}

    bool Open(const MovieSettings& settings, std::string& reason) {
        if (output_.kind == MovieOutput::Kind::Frames) {
            std::error_code error;
            std::filesystem::create_directories(output_.path, error);
            if (error)
                reason =
                    "cannot make the folder '" + output_.path.string() + "': " + error.message();
            return !error;
        }
        const auto program = FindFfmpeg();
        if (!program) {
            reason = kFfmpegNeeded;
            return false;
        }
        // The video is put in place by renaming it, which only works on its own file system.
        std::error_code error;
        std::filesystem::create_directories(movie_.scratch, error);
        if (error) {
            reason = "cannot make the folder '" + movie_.scratch.string() + "': " + error.message();
            return false;
        }
        return video_.Start(*program, VideoPath(), movie_.scratch / "ffmpeg.log", settings.width,
                            settings.height, settings.fps, reason);
    }

    bool Ordered() const { return output_.kind == MovieOutput::Kind::Video; }

    bool Write(int frame, const ImageBuffer& image, std::string& reason) {
        if (Ordered())
            return video_.Write(image, reason);
        return WritePng(image, output_.path / FrameName(frame, frames_), {}, &reason);
    }

    // Puts the movie in place once every frame is written.
    bool Close(std::string& reason) {
        if (!Ordered())
            return RemoveStaleFrames(reason);
        if (!video_.Finish(reason))
            return false;
        // On the disk before it takes the output's name, as every file the program saves.
        const int fd = ::open(VideoPath().c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        std::error_code error;
        if (synced)
            std::filesystem::rename(VideoPath(), output_.path, error);
        if (!synced || error) {
            reason = "cannot write '" + output_.path.string() +
                     "': " + (error ? error.message() : std::string("not written to the disk"));
            return false;
        }
        return true;
    }

  private:
    std::filesystem::path VideoPath() const { return movie_.scratch / "movie.mp4"; }

    // Frames of an earlier, longer movie into the same folder would play on after this one.
    bool RemoveStaleFrames(std::string& reason) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(output_.path, error)) {
            const std::string name = entry.path().filename().string();
            const std::string stem = name.size() > 10 ? name.substr(6, name.size() - 10) : "";
            if (!name.starts_with("frame-") || !name.ends_with(".png") || stem.empty() ||
                stem.find_first_not_of("0123456789") != std::string::npos || stem.size() > 9)
                continue;
            if (std::stoi(stem) >= frames_ || FrameName(std::stoi(stem), frames_) != name)
                std::filesystem::remove(entry.path(), error);
        }
        if (error)
            reason = "cannot tidy the folder '" + output_.path.string() + "': " + error.message();
        return !error;
    }

    const MovieOutput& output_;
    const Movie& movie_;
    int frames_;
    FfmpegVideo video_;
};

MovieOutcome Assemble(const MovieSettings& settings, const MovieOutput& output, const Movie& movie,
                      const MovieWork& work) {
    MovieOutcome outcome;
    const MoviePlan& plan = movie.plan;
    const int frames = plan.Frames();
    FrameSink sink(output, movie, frames);
    if (!sink.Open(settings, outcome.reason))
        return outcome;
    const int threads = std::max(1, work.threads);
    KeyframeCache cache(movie.folder, {settings.width, settings.height},
                        static_cast<std::size_t>(std::max(4, threads + 2)));
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;  // guards what follows
    std::condition_variable turn;
    int written = 0;  // frames the video has taken, in order
    int done = 0;
    std::string reason;
    const auto fail = [&](std::string why) {
        std::lock_guard lock(mutex);
        if (!failed.exchange(true))
            reason = std::move(why);
        turn.notify_all();
    };
    const auto stopping = [&] { return failed.load() || Cancelled(work); };
    const auto draw = [&] {
        try {
            ImageBuffer frame;
            std::string why;
            for (int i = next++; i < frames && !stopping(); i = next++) {
                const MoviePlan::Place place = plan.FramePlace(i);
                const auto inner = cache.Get(place.inner, why);
                const auto outer = place.fraction > 0.0 ? cache.Get(place.inner + 1, why) : nullptr;
                if (inner == nullptr || (place.fraction > 0.0 && outer == nullptr))
                    return fail(why);
                DrawFrame(*inner, outer.get(), place.fraction, settings.supersample, frame);
                if (sink.Ordered()) {
                    std::unique_lock lock(mutex);
                    // A cancel is a flag, not a call: looked at every tenth of a second.
                    while (written != i && !stopping())
                        turn.wait_for(lock, std::chrono::milliseconds(100));
                    if (stopping())
                        return;
                }
                // Only the frame whose turn it is writes to the video, so no lock is held.
                if (!sink.Write(i, frame, why))
                    return fail("cannot write frame " + std::to_string(i) + ": " + why);
                std::lock_guard lock(mutex);
                ++written;
                ++done;
                turn.notify_all();
                if (work.observer != nullptr)
                    work.observer->FramesDone(done);
            }
        } catch (const std::bad_alloc&) {
            fail("out of memory");
        }
    };
    std::vector<std::thread> helpers;
    const int priority = work.priority;
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&draw, priority] {
                if (priority != 0)
                    ApplyThreadPriority(priority);
                draw();
            });
    } catch (const std::system_error&) {
        // Fewer helpers: the frames still get drawn.
    }
    draw();
    for (std::thread& helper : helpers)
        helper.join();
    if (Cancelled(work) && !failed.load()) {
        outcome.cancelled = true;
        outcome.reason = "cancelled";
        return outcome;
    }
    if (failed.load()) {
        outcome.reason = reason;
        return outcome;
    }
    outcome.written = sink.Close(outcome.reason);
    return outcome;
}

// The work folder, once the movie is written: the keyframes go, their OpenEXR copies stay when
// they were asked for, and the folder goes when nothing else is left in it. A folder the caller
// gave keeps its keyframes.
void Tidy(const Movie& movie, const MovieOutput& output) {
    std::error_code error;
    for (int k = 0; movie.ownFolder && k <= movie.plan.lastKeyframe; ++k) {
        std::filesystem::remove(KeyframePath(movie.folder, k), error);
        if (!output.keyframeData)
            std::filesystem::remove(KeyframeDataPath(movie.folder, k), error);
    }
    std::filesystem::remove(movie.scratch / "ffmpeg.log", error);
    std::filesystem::remove(movie.scratch, error);  // only when empty
}

std::vector<int> AllKeyframes(const MoviePlan& plan) {
    std::vector<int> all(static_cast<std::size_t>(plan.Keyframes()));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

MovieOutcome Failure(std::string reason, bool cancelled = false) {
    return {false, cancelled, std::move(reason)};
}

// The movie from the keyframes in the work folder, computing those it lacks first when
// `compute`, refusing to go on without them otherwise.
MovieOutcome Run(const FractalDef& end, const MovieSettings& settings, const MovieOutput& output,
                 const MovieWork& work, bool compute) {
    try {
        // ffmpeg would refuse such frames only after every keyframe was computed.
        if (std::string why = OutputSizeRefusal(output.kind, settings.width, settings.height);
            !why.empty())
            return Failure(why);
        std::string reason;
        const auto movie = Begin(end, settings, output, reason);
        if (!movie)
            return Failure(reason);
        const auto missing =
            Missing(end, settings, output, *movie, AllKeyframes(movie->plan), reason);
        if (!missing)
            return Failure(reason);
        if (!compute && !missing->empty())
            return Failure("keyframes missing or made for another movie: " +
                           ListKeyframes(*missing));
        if (work.observer != nullptr)
            work.observer->Begun(movie->plan, static_cast<int>(missing->size()));
        if (!Compute(end, settings, output, *movie, *missing, work, reason))
            return Failure(reason, Cancelled(work));
        MovieOutcome outcome = Assemble(settings, output, *movie, work);
        if (outcome.written)
            Tidy(*movie, output);
        return outcome;
    } catch (const std::bad_alloc&) {
        return Failure("out of memory");
    }
}

}  // namespace

std::string FrameName(int frame, int frames) {
    const int digits =
        std::max(6, static_cast<int>(std::to_string(std::max(frames - 1, 0)).size()));
    char name[64];
    std::snprintf(name, sizeof name, "frame-%0*d.png", digits, frame);
    return name;
}

bool ComputeKeyframes(const FractalDef& end, const MovieSettings& settings,
                      const MovieOutput& output, std::span<const int> keyframes,
                      const MovieWork& work, std::string& reason) {
    try {
        const auto movie = Begin(end, settings, output, reason);
        if (!movie)
            return false;
        const auto missing = Missing(end, settings, output, *movie, keyframes, reason);
        if (!missing)
            return false;
        if (work.observer != nullptr)
            work.observer->Begun(movie->plan, static_cast<int>(missing->size()));
        return Compute(end, settings, output, *movie, *missing, work, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
}

std::optional<std::vector<int>> MissingKeyframes(const FractalDef& end,
                                                 const MovieSettings& settings,
                                                 const MovieOutput& output,
                                                 std::span<const int> wanted, std::string& reason) {
    try {
        const auto movie = Begin(end, settings, output, reason);
        if (!movie)
            return std::nullopt;
        return Missing(end, settings, output, *movie, wanted, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return std::nullopt;
    }
}

std::string ListKeyframes(std::span<const int> keyframes) {
    constexpr std::size_t kNamed = 10;
    std::string text;
    for (std::size_t i = 0; i < keyframes.size() && i < kNamed; ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(keyframes[i]);
    if (keyframes.size() > kNamed)
        text += " and " + std::to_string(keyframes.size() - kNamed) + " more";
    return text;
}

std::string OutputSizeRefusal(MovieOutput::Kind kind, int width, int height) {
    if (kind == MovieOutput::Kind::Video && (width % 2 != 0 || height % 2 != 0))
        return "an MP4 video needs an even width and height";
    return {};
}

MovieOutcome AssembleMovie(const FractalDef& end, const MovieSettings& settings,
                           const MovieOutput& output, const MovieWork& work) {
    return Run(end, settings, output, work, false);
}

MovieOutcome MakeMovie(const FractalDef& end, const MovieSettings& settings,
                       const MovieOutput& output, const MovieWork& work) {
    // Without ffmpeg nothing is computed: the user learns it before the wait, not after.
    if (output.kind == MovieOutput::Kind::Video && !FindFfmpeg())
        return Failure(kFfmpegNeeded);
    return Run(end, settings, output, work, true);
}

}  // namespace zolt

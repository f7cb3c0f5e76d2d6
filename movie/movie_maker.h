#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/fractal_def.h"
#include "engine/image_buffer.h"
#include "movie/movie_plan.h"

namespace zolt {

// Zoom movies in two steps: the keyframes, each computed once into the work folder (any of them
// alone, in any order, by any process), then the frames drawn from them and written as a video
// or as numbered pictures. A movie stopped at any moment, and made again to the same place,
// computes only the keyframes it lacks and then writes the same bytes an uninterrupted one
// writes. Once the movie is written its work folder goes (it stays, with the OpenEXR copies,
// when those were asked for).

struct MovieOutput {
    enum class Kind { Video, Frames };
    Kind kind = Kind::Video;
    std::filesystem::path path;  // the MP4 file, or the folder of frames
    bool keyframeData = false;   // keep an OpenEXR copy of every keyframe
    // Where the keyframes are kept: beside the output (MovieWorkFolder) unless given. A folder
    // given is the caller's, shared with other processes: its keyframes stay once the movie is
    // written.
    std::filesystem::path workFolder = {};
};

// Hears how a movie gets on, on the thread that makes it (KeyframeRows and FramesDone from any
// of its threads, one call at a time).
class MovieObserver {
  public:
    virtual ~MovieObserver() = default;
    // The keyframes this run computes (those in the work folder already aside).
    virtual void Begun(const MoviePlan& plan, int keyframesToCompute) = 0;
    virtual void KeyframeBegun(int keyframe) = 0;
    virtual void KeyframeReference(double fraction) = 0;
    virtual void KeyframeRows(double fraction) = 0;  // of the keyframe's rows
    // Keyframe k is computed and stored; `picture` is what it shows.
    virtual void KeyframeDone(int keyframe, const ImageBuffer& picture) = 0;
    virtual void FramesDone(int frames) = 0;
};

struct MovieWork {
    int threads = 1;   // the calling thread included
    int priority = 0;  // a GeneratePriority for the threads; 0 leaves theirs
    const std::atomic<bool>* cancel = nullptr;
    MovieObserver* observer = nullptr;
};

struct MovieOutcome {
    bool written = false;
    bool cancelled = false;
    std::string reason;  // why the movie was not written
};

// Keyframe numbers as a message names them: "3, 7, 9", the first ten and how many more.
std::string ListKeyframes(std::span<const int> keyframes);

// Why frames of this size cannot go into an output of this kind, or nothing when they can: an
// MP4 video keeps its colours for squares of two by two pixels (yuv420p), so its sides are even.
std::string OutputSizeRefusal(MovieOutput::Kind kind, int width, int height);

// The whole movie of `end` (its last frame) to `output`.
MovieOutcome MakeMovie(const FractalDef& end, const MovieSettings& settings,
                       const MovieOutput& output, const MovieWork& work);

// The keyframes listed, into the work folder of `output`: those present already are kept. False
// with `reason` when one could not be computed or the work was cancelled.
bool ComputeKeyframes(const FractalDef& end, const MovieSettings& settings,
                      const MovieOutput& output, std::span<const int> keyframes,
                      const MovieWork& work, std::string& reason);

// The movie from a complete set of keyframes in the work folder; the missing or mismatched ones
// are named in the reason.
MovieOutcome AssembleMovie(const FractalDef& end, const MovieSettings& settings,
                           const MovieOutput& output, const MovieWork& work);

// The keyframes among `wanted` that the work folder lacks or holds made for another movie;
// nothing, with `reason`, when the movie cannot be planned or has no such keyframe.
std::optional<std::vector<int>> MissingKeyframes(const FractalDef& end,
                                                 const MovieSettings& settings,
                                                 const MovieOutput& output,
                                                 std::span<const int> wanted, std::string& reason);

// The name of frame i of a movie of `frames` frames: numbers padded to sort in frame order.
std::string FrameName(int frame, int frames);

}  // namespace zolt

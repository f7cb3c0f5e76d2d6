#pragma once

#include <optional>
#include <string>

#include "engine/fractal_def.h"
#include "generation/picture.h"

namespace zolt {

// A zoom movie dives from a wide view into the end view (a definition), about the end view's
// centre, at a steady speed: its frames' widths shrink by the same factor from each frame to the
// next. It is drawn from keyframes: keyframe k shows the end view's centre 2^k times as wide as
// the end view (keyframe 0 is the end view itself), and every frame is drawn from the two
// keyframes around its width.

// What the user chooses.
struct MovieSettings {
    int width = 1280;
    int height = 720;
    int fps = 30;
    double secondsPerDoubling = 1.0;  // of the width
    double startWidth = kHomePfinish - kHomePstart;
    double holdSeconds = 2.0;  // the last frame stays this long
    int supersample = 1;       // N x N samples a pixel, 1 to kMaxSupersample
    int displayColours = 256;  // the palette as a display of this many colours shows it
};

inline constexpr int kMaxMovieFps = 240;
inline constexpr double kMaxSecondsPerDoubling = 3600.0;
inline constexpr double kMaxHoldSeconds = 3600.0;
// More frames than this would be days of video: a mistake rather than a wish.
inline constexpr long long kMaxMovieFrames = 50'000'000;

// How a movie's frames follow each other. The movie is anchored at the end: frame i is
// (zoomFrames - i) / framesPerDoubling doublings wider than the end view, so the last zoom frame
// is the end view and frames at whole doublings are keyframes. zoomFrames is the start's
// doublings times the frames a doubling, rounded up, so the first frame shows all the start
// shows and at most one frame's step more.
struct MoviePlan {
    double framesPerDoubling = 0.0;  // fps x seconds per doubling
    int fps = 0;
    int zoomFrames = 0;  // frames before the end view's
    int holdFrames = 0;  // copies of the end view after it
    int lastKeyframe = 0;

    int Frames() const { return zoomFrames + 1 + holdFrames; }
    int Keyframes() const { return lastKeyframe + 1; }
    double Seconds() const { return static_cast<double>(Frames()) / fps; }

    // Where frame i lies: between keyframe `inner` and the next wider one, `fraction` of a
    // doubling wider than `inner` (0 exactly when the frame is keyframe `inner`).
    struct Place {
        int inner = 0;
        double fraction = 0.0;
    };
    Place FramePlace(int frame) const;
    // Doublings between frame i's width and the end view's.
    double FrameDepth(int frame) const;
};

// Whether the settings lie within their ranges; `reason` says which does not.
bool CheckMovieSettings(const MovieSettings& settings, std::string& reason);

// Checks the settings against the end view and plans the movie; nothing, with `reason`, for
// settings out of range or a start that is not wider than the end view.
std::optional<MoviePlan> PlanMovie(const FractalDef& end, const MovieSettings& settings,
                                   std::string& reason);

// log2 of the end view's width: the exact corners' when it has them.
std::optional<double> ViewWidthLog2(const FractalDef& def);

// The definition of keyframe k: the end view's centre, 2^k times its width, at the movie's
// size; its own text for keyframe 0. Nothing when the corners cannot be written (beyond the
// limits of decimal text).
std::optional<FractalDef> KeyframeView(const FractalDef& end, int keyframe, ViewSize size);

}  // namespace zolt

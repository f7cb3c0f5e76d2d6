#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

#include "app/render_options.h"
#include "engine/fractal_def.h"
#include "movie/movie_maker.h"
#include "movie/movie_progress.h"
#include "settings/number_text.h"

namespace zolt {

// What zolt-render says while a movie is made: the progress line on a terminal, at most a few
// times a second, and with --verbose every keyframe as it is computed.
class MovieLine final : public MovieObserver {
  public:
    explicit MovieLine(const RenderOptions& options)
        : line_(!options.quiet && ::isatty(STDERR_FILENO) != 0), verbose_(options.verbose) {}

    void Begun(const MoviePlan& plan, int keyframesToCompute) override {
        progress_.Begun(plan, keyframesToCompute);
        if (verbose_)
            Say("movie: " + std::to_string(plan.Frames()) + " frames, " +
                std::to_string(plan.Keyframes()) + " keyframes, " +
                std::to_string(keyframesToCompute) + " to compute");
        Show();
    }
    void KeyframeBegun(int keyframe) override {
        progress_.KeyframeBegun(keyframe);
        Show();
    }
    void KeyframeReference(double fraction) override {
        progress_.KeyframeReference(fraction);
        Show();
    }
    void KeyframeRows(double fraction) override {
        progress_.KeyframeRows(fraction);
        Show();
    }
    void KeyframeDone(int keyframe, const ImageBuffer& picture) override {
        progress_.KeyframeDone(keyframe, picture);
        if (verbose_)
            Say("keyframe " + std::to_string(keyframe) + " computed");
        Show();
    }
    void FramesDone(int frames) override {
        progress_.FramesDone(frames);
        Show();
    }

    void Done() {
        std::lock_guard lock(mutex_);
        if (shown_)
            std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
        shown_ = false;
    }

  private:
    void Say(const std::string& text) {
        std::lock_guard lock(mutex_);
        std::cerr << (shown_ ? "\r" + std::string(60, ' ') + "\r" : "") << text << '\n';
        shown_ = false;
    }

    void Show() {
        if (!line_)
            return;
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        shown_ = true;
        const double left = progress_.SecondsLeft();
        char text[160];
        // As a picture's line: the time left once there is a pace to tell it from.
        std::snprintf(text, sizeof text, "\r%3d%%  %s  %s ",
                      static_cast<int>(progress_.Fraction() * 100.0), progress_.Step().c_str(),
                      left < 0 ? "          " : (DurationText(left) + " left").c_str());
        std::cerr << text << std::flush;
    }

    MovieProgress progress_;
    bool line_;
    bool verbose_;
    std::mutex mutex_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

// The video or the folder of frames the options name.
MovieOutput MovieOutputOf(const RenderOptions& options);

// zolt-render --movie and --frames: the zoom movie that ends at `def`, with a progress line on a
// terminal and, with --verbose, a line for every keyframe computed. The settings are checked
// against the view already (PlanMovie). Returns the exit status: 0 written, 1 failed (one line
// on stderr says why).
int RenderMovie(const RenderOptions& options, const FractalDef& def);

}  // namespace zolt

#include "movie/movie_progress.h"

#include <algorithm>
#include <cstdio>

namespace zolt {

namespace {

// Keyframes take most of a movie's time: the frames drawn from them and their encoding the rest.
constexpr double kKeyframeShare = 0.8;

using Clock = std::chrono::steady_clock;

}  // namespace

std::string DurationText(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

MovieProgress::MovieProgress(std::function<void()> changed) : changed_(std::move(changed)) {}

void MovieProgress::Changed() const {
    if (changed_)
        changed_();
}

void MovieProgress::Begun(const MoviePlan& plan, int keyframesToCompute) {
    frames_ = plan.Frames();
    toCompute_ = keyframesToCompute;
    begun_ = Clock::now().time_since_epoch().count();
    Changed();
}

void MovieProgress::KeyframeBegun(int keyframe) {
    keyframeFraction_ = 0.0;
    referencePercent_ = -1;
    keyframe_ = keyframe;
    Changed();
}

void MovieProgress::KeyframeReference(double fraction) {
    const int percent = static_cast<int>(fraction * 100.0);
    if (referencePercent_.exchange(percent) != percent)
        Changed();
}

void MovieProgress::KeyframeRows(double fraction) {
    referencePercent_ = -1;
    keyframeFraction_ = fraction;
    Changed();
}

void MovieProgress::KeyframeDone(int, const ImageBuffer& picture) {
    {
        std::lock_guard lock(mutex_);
        picture_ = picture;
    }
    ++computed_;
    keyframeFraction_ = 0.0;
    keyframe_ = -1;
    pictureSerial_.fetch_add(1, std::memory_order_release);
    Changed();
}

void MovieProgress::FramesDone(int frames) {
    framesDone_ = frames;
    Changed();
}

double MovieProgress::Fraction() const {
    const int toCompute = toCompute_;
    const double frames = frames_ > 0 ? static_cast<double>(framesDone_) / frames_ : 0.0;
    if (toCompute == 0)
        return frames;
    const double keyframes = (computed_ + keyframeFraction_.load()) / toCompute;
    return kKeyframeShare * std::min(keyframes, 1.0) + (1.0 - kKeyframeShare) * frames;
}

double MovieProgress::SecondsLeft() const {
    const double done = Fraction();
    const Clock::rep begun = begun_;
    if (begun == 0 || done < 0.01)
        return -1.0;
    const double spent =
        std::chrono::duration<double>(Clock::now() - Clock::time_point(Clock::duration(begun)))
            .count();
    return spent * (1.0 - done) / done;
}

std::string MovieProgress::Step() const {
    if (keyframe_ >= 0) {
        // Counted among the keyframes this run computes, not by their indices.
        std::string text = "keyframe " + std::to_string(computed_ + 1) + " of " +
                           std::to_string(toCompute_.load());
        if (const int reference = referencePercent_; reference >= 0)
            text += ", reference " + std::to_string(reference) + "%";
        return text;
    }
    if (framesDone_ > 0 || computed_ == toCompute_)
        return "frame " + std::to_string(framesDone_) + " of " + std::to_string(frames_);
    return "keyframes";
}

ImageBuffer MovieProgress::Picture() const {
    std::lock_guard lock(mutex_);
    return picture_;
}

}  // namespace zolt

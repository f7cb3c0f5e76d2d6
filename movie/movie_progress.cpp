#include "movie/movie_progress.h"

#include <algorithm>

#include "colour/colour_space.h"

namespace zolt {

namespace {

// Before the first frames, a frame is taken to cost this share of a keyframe: about what a
// keyframe of a view with a few thousand iterations costs. Deep keyframes cost far more, so the
// time left then errs long, and is right once frames are drawn.
constexpr double kFramePerKeyframe = 1.0 / 15.0;
constexpr int kFramesMeasured = 10;

using Clock = std::chrono::steady_clock;

Clock::rep Now() {
    return Clock::now().time_since_epoch().count();
}

double Seconds(Clock::rep from, Clock::rep to) {
    return std::chrono::duration<double>(Clock::duration(to - from)).count();
}

}  // namespace

MovieProgress::MovieProgress(std::function<void()> changed) : changed_(std::move(changed)) {}

void MovieProgress::Changed() const {
    if (changed_)
        changed_();
}

void MovieProgress::Begun(const MoviePlan& plan, int keyframesToCompute) {
    frames_ = plan.Frames();
    toCompute_ = keyframesToCompute;
    begun_ = Now();
    framesBegun_ = keyframesToCompute == 0 ? begun_.load() : 0;
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
    ImageBuffer small;
    const int factor = std::max(1, picture.width / kPictureWidth);
    small.width = picture.width / factor;
    small.height = picture.height / factor;
    small.pixels.resize(static_cast<std::size_t>(small.width) * small.height);
    AverageBlocks(picture.pixels.data(), small.width, small.height, factor, small.pixels.data(),
                  static_cast<std::size_t>(picture.width));
    {
        std::lock_guard lock(mutex_);
        picture_ = std::move(small);
    }
    if (++computed_ == toCompute_)
        framesBegun_ = Now();
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
    const double left = SecondsLeft();
    const Clock::rep begun = begun_;
    if (left >= 0.0 && begun != 0) {
        const double spent = Seconds(begun, Now());
        return spent + left > 0.0 ? spent / (spent + left) : 1.0;
    }
    const double parts = toCompute_ + frames_;
    return parts > 0 ? (computed_ + keyframeFraction_.load() + framesDone_) / parts : 0.0;
}

double MovieProgress::SecondsLeft() const {
    const Clock::rep begun = begun_;
    if (begun == 0)
        return -1.0;
    const Clock::rep now = Now();
    const Clock::rep framesBegun = framesBegun_;
    // The keyframes' pace, from those this run computed.
    const double keyframesDone = computed_ + keyframeFraction_.load();
    const double keyframeTime =
        keyframesDone > 0.05 ? Seconds(begun, framesBegun != 0 ? framesBegun : now) / keyframesDone
                             : -1.0;
    // The frames' pace, once there are enough to tell.
    const int framesDone = framesDone_;
    double frameTime = -1.0;
    if (framesBegun != 0 && framesDone >= kFramesMeasured)
        frameTime = Seconds(framesBegun, now) / framesDone;
    else if (keyframeTime > 0.0)
        frameTime = keyframeTime * kFramePerKeyframe;
    if (frameTime < 0.0 || (toCompute_ > computed_ && keyframeTime < 0.0))
        return -1.0;
    const double keyframesLeft = std::max(0.0, toCompute_ - keyframesDone);
    return keyframesLeft * std::max(keyframeTime, 0.0) + (frames_ - framesDone) * frameTime;
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

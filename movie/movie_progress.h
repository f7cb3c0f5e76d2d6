#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>

#include "movie/movie_maker.h"

namespace zolt {

// How far a movie has come, for whoever shows it: what it does now, the share of this run's
// work done, the time left, and the keyframe computed last. The movie's threads report to it;
// any thread may ask it at any time.
class MovieProgress final : public MovieObserver {
  public:
    // `changed` runs on the reporting thread after every report.
    explicit MovieProgress(std::function<void()> changed = {});

    void Begun(const MoviePlan& plan, int keyframesToCompute) override;
    void KeyframeBegun(int keyframe) override;
    void KeyframeReference(double fraction) override;
    void KeyframeRows(double fraction) override;
    void KeyframeDone(int keyframe, const ImageBuffer& picture) override;
    void FramesDone(int frames) override;

    // 0 to 1: the time spent of the time spent and left, or of the keyframes and frames done
    // while too early to tell the time.
    double Fraction() const;
    // Seconds until the movie is done, from the pace of the keyframes and the frames so far;
    // negative while too early to tell.
    double SecondsLeft() const;
    // "keyframe 12 of 57" (of those this run computes), "frame 2000 of 3061", with a deep
    // keyframe's reference while it is computed.
    std::string Step() const;
    // The keyframe computed last, shrunk to about kPictureWidth pixels across (on the thread that
    // computed it, so that the window only shows it), and a number that grows with each one.
    static constexpr int kPictureWidth = 480;
    int PictureSerial() const { return pictureSerial_.load(std::memory_order_acquire); }
    ImageBuffer Picture() const;

  private:
    void Changed() const;

    std::function<void()> changed_;
    std::atomic<int> toCompute_{0};
    std::atomic<int> computed_{0};
    std::atomic<int> keyframe_{-1};  // being computed
    std::atomic<double> keyframeFraction_{0.0};
    std::atomic<int> referencePercent_{-1};
    std::atomic<int> frames_{0};
    std::atomic<int> framesDone_{0};
    std::atomic<int> pictureSerial_{0};
    std::atomic<std::chrono::steady_clock::rep> begun_{0};
    std::atomic<std::chrono::steady_clock::rep> framesBegun_{0};  // the keyframes were done
    mutable std::mutex mutex_;                                    // guards picture_
    ImageBuffer picture_;
};

}  // namespace zolt

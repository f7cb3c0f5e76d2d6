#include "movie/movie_plan.h"

#include <cmath>

#include "engine/deep_view.h"
#include "generation/picture.h"

namespace zolt {

namespace {

// Frame positions are sums and quotients of doubles: a frame this close to a whole doubling is
// on it (a billionth of a doubling is far below a pixel at any size).
constexpr double kOnDoubling = 1e-9;

bool Within(double value, double low, double high) {
    return value >= low && value <= high;  // false for NaN
}

}  // namespace

double MoviePlan::FrameDepth(int frame) const {
    if (frame >= zoomFrames)
        return 0.0;
    return static_cast<double>(zoomFrames - frame) / framesPerDoubling;
}

MoviePlan::Place MoviePlan::FramePlace(int frame) const {
    const double depth = FrameDepth(frame);
    const double whole = std::floor(depth + kOnDoubling);
    const double fraction = depth - whole;
    return {static_cast<int>(whole), fraction > kOnDoubling ? fraction : 0.0};
}

std::optional<double> ViewWidthLog2(const FractalDef& def) {
    const auto corners = ExactCorners(NumbersOf(def));
    if (!corners)
        return std::nullopt;
    return WidthLog2(corners->Pstart, corners->Pfinish);
}

bool CheckMovieSettings(const MovieSettings& settings, std::string& reason) {
    const auto fail = [&reason](std::string why) {
        reason = std::move(why);
        return false;
    };
    if (!Within(settings.width, 1, kMaxPictureSide) || !Within(settings.height, 1, kMaxPictureSide))
        return fail("the frames must be 1 to " + std::to_string(kMaxPictureSide) + " pixels");
    if (!Within(settings.fps, 1, kMaxMovieFps))
        return fail("the frame rate must be 1 to " + std::to_string(kMaxMovieFps));
    if (!Within(settings.secondsPerDoubling, 0.001, kMaxSecondsPerDoubling))
        return fail("the seconds a doubling must be 0.001 to 3600");
    if (!Within(settings.holdSeconds, 0.0, kMaxHoldSeconds))
        return fail("the hold must be 0 to 3600 seconds");
    if (!Within(settings.supersample, 1, kMaxSupersample))
        return fail("anti-aliasing takes 1 to " + std::to_string(kMaxSupersample) + " samples");
    if (!(settings.startWidth > 0.0) || !std::isfinite(settings.startWidth))
        return fail("the start width must be a positive number");
    return true;
}

std::optional<MoviePlan> PlanMovie(const FractalDef& end, const MovieSettings& settings,
                                   std::string& reason) {
    const auto fail = [&reason](std::string why) {
        reason = std::move(why);
        return std::nullopt;
    };
    if (!CheckMovieSettings(settings, reason))
        return std::nullopt;
    const auto endLog2 = ViewWidthLog2(end);
    if (!endLog2)
        return fail("the view has no width");
    const double doublings = std::log2(settings.startWidth) - *endLog2;
    if (!(doublings > kOnDoubling))
        return fail("the start must be wider than the view");

    MoviePlan plan;
    plan.fps = settings.fps;
    plan.framesPerDoubling = settings.fps * settings.secondsPerDoubling;
    const double zoomFrames = std::ceil(doublings * plan.framesPerDoubling - kOnDoubling);
    const double holdFrames = std::round(settings.holdSeconds * settings.fps);
    if (!(zoomFrames + 1 + holdFrames <= static_cast<double>(kMaxMovieFrames)))
        return fail("the movie would have more than " + std::to_string(kMaxMovieFrames) +
                    " frames");
    plan.zoomFrames = std::max(1, static_cast<int>(zoomFrames));
    plan.holdFrames = static_cast<int>(holdFrames);
    // The first frame's outer keyframe is the widest one needed.
    const MoviePlan::Place first = plan.FramePlace(0);
    plan.lastKeyframe = first.inner + (first.fraction > 0.0 ? 1 : 0);
    return plan;
}

std::optional<FractalDef> KeyframeView(const FractalDef& end, int keyframe, ViewSize size) {
    FractalDef def = end;
    GenerationSnapshot numbers = NumbersOf(end);
    if (keyframe == 0) {
        numbers.Qfinish = DeriveQfinish(numbers, size);
        SetNumbersOf(def, numbers);
        return def;
    }
    const auto corners = ExactCorners(numbers);
    if (!corners)
        return std::nullopt;
    const DeepView view{corners->Pstart, corners->Pfinish,   corners->Qstart, size.width,
                        size.height,     numbers.Iterations, numbers.Escape};
    const auto scaled = ScaleDeepView(view, keyframe);
    if (!scaled ||
        !SetExactCorners(numbers, {scaled->pstart, scaled->pfinish, scaled->qstart}, size))
        return std::nullopt;
    SetNumbersOf(def, numbers);
    return def;
}

}  // namespace zolt

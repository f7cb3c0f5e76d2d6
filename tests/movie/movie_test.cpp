#include "movie/movie_maker.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <numeric>

#include "document/png_pixels.h"
#include "generation/picture.h"
#include "movie/ffmpeg_video.h"
#include "movie/keyframe_store.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

// Counts what a movie computes.
class Counting final : public MovieObserver {
  public:
    void Begun(const MoviePlan& plan, int toCompute) override {
        frames = plan.Frames();
        planned = toCompute;
    }
    void KeyframeBegun(int) override {}
    void KeyframeReference(double) override {}
    void KeyframeRows(double) override {}
    void KeyframeDone(int keyframe, const ImageBuffer&) override { computed.push_back(keyframe); }
    void FramesDone(int done) override { framesDone = done; }

    int frames = 0;
    int planned = -1;
    int framesDone = 0;
    std::vector<int> computed;
};

class MovieTest : public ::testing::Test {
  protected:
    MovieTest() {
        SetNumbersOf(end, {-0.7453, -0.7433, 0.1127, 0.0, 500, 200.0});
        end.Appearance.Colours = 64;
        BuildPalette(64, end.Appearance.Palette);
    }

    MovieOutcome Make(const MovieSettings& settings, const MovieOutput& output) {
        observer = {};
        return MakeMovie(end, settings, output, {.threads = 3, .observer = &observer});
    }

    // The picture zolt-render and Export Image make of `def`.
    ImageBuffer Direct(const FractalDef& def, int width, int height,
                       ViewCounter::Kind* kind = nullptr, int supersample = 1) {
        const auto path = dir.Path() / "direct.png";
        const PictureOutcome outcome = WriteDefinitionPicture(
            def, {.width = width, .height = height, .supersample = supersample, .threads = 2}, path,
            AtomicFile::Fifo::kRefuseWithoutReader);
        EXPECT_TRUE(outcome.written) << outcome.reason;
        if (kind != nullptr)
            *kind = outcome.kind;
        return Read(path);
    }

    static ImageBuffer Read(const std::filesystem::path& path) {
        ImageBuffer image;
        std::string reason;
        EXPECT_TRUE(ReadPngPixels(path, 1 << 24, image, reason)) << path << ": " << reason;
        return image;
    }

    FractalDef end;
    Counting observer;
    test::TempDir dir;
};

TEST_F(MovieTest, FramesAtWholeDoublingsAreTheirKeyframesAndTheLastIsTheEndView) {
    const MovieSettings settings{.width = 64, .height = 36, .fps = 3, .holdSeconds = 1};
    const auto frames = dir.Path() / "frames";
    const MovieOutcome outcome = Make(settings, {MovieOutput::Kind::Frames, frames});
    ASSERT_TRUE(outcome.written) << outcome.reason;
    std::string reason;
    const MoviePlan plan = PlanMovie(end, settings, reason).value();
    // 10.87 doublings at 3 frames each, the end view, and a second's hold.
    ASSERT_EQ(plan.Frames(), 33 + 1 + 3);
    EXPECT_EQ(observer.computed.size(), 12u);
    EXPECT_EQ(test::Tree(frames).size(), 37u);
    EXPECT_EQ(test::Tree(frames).back(), "frame-000036.png");
    // The work folder goes once the movie is made.
    EXPECT_FALSE(std::filesystem::exists(MovieWorkFolder(frames)));

    const ImageBuffer last = Direct(KeyframeView(end, 0, {64, 36}).value(), 64, 36);
    for (int i = 33; i < 37; ++i)
        EXPECT_EQ(Read(frames / FrameName(i, 37)), last) << "frame " << i;
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(Read(frames / FrameName(33 - 3 * k, 37)),
                  Direct(KeyframeView(end, k, {64, 36}).value(), 64, 36))
            << "keyframe " << k;

    // A shorter movie into the same folder leaves none of the longer one's frames behind.
    ASSERT_TRUE(Make({.width = 64, .height = 36, .fps = 2, .holdSeconds = 0},
                     {MovieOutput::Kind::Frames, frames})
                    .written);
    EXPECT_EQ(test::Tree(frames).size(), 23u);
}

// Keyframes are the pictures zolt-render makes of their views, in the definition's colouring and
// with the movie's supersampling, and so is the last frame; keeping their OpenEXR data, which
// takes every sample of their points, changes none of their pixels.
TEST_F(MovieTest, KeyframesArePicturesOfTheirViewsInTheirColouringAndSamples) {
    end.Appearance.Colouring.method = ColourMethod::Distance;
    end.Appearance.Colouring.gradient = {
        GradientKind::Stops, "", {{0, {9, 9, 90}}, {0.5, {250, 200, 0}}}, {}};
    const MovieSettings settings{
        .width = 32, .height = 18, .fps = 1, .holdSeconds = 0, .supersample = 2};
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "aa", true};
    const std::vector<int> some = {0, 4, 11};
    std::string reason;
    ASSERT_TRUE(ComputeKeyframes(end, settings, output, some, {.threads = 2}, reason)) << reason;
    for (int k : some) {
        ImageBuffer stored;
        ASSERT_TRUE(LoadKeyframe(MovieWorkFolder(output.path), k, {32, 18}, stored, reason))
            << reason;
        EXPECT_EQ(stored, Direct(KeyframeView(end, k, {32, 18}).value(), 32, 18, nullptr, 2))
            << "keyframe " << k;
    }
    ASSERT_TRUE(Make(settings, output).written);
    EXPECT_EQ(Read(output.path / FrameName(observer.frames - 1, observer.frames)),
              Direct(KeyframeView(end, 0, {32, 18}).value(), 32, 18, nullptr, 2));
}

TEST_F(MovieTest, ADeepMovieUsesTheDeepEngineAndAgreesWithDirectRenders) {
    GenerationSnapshot numbers = NumbersOf(end);
    numbers.Iterations = 3000;
    ASSERT_TRUE(SetExactCorners(
        numbers,
        {"-0.743643887037158704752191506114774", "-0.743643887037158704752191506113774",
         "0.131825904205311970493132056385139"},
        {64, 36}));
    SetNumbersOf(end, numbers);
    const MovieSettings settings{.width = 64, .height = 36, .fps = 1, .holdSeconds = 0};
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "deep"};
    std::string reason;
    const MoviePlan plan = PlanMovie(end, settings, reason).value();
    std::vector<int> all(static_cast<std::size_t>(plan.Keyframes()));
    std::iota(all.begin(), all.end(), 0);
    ASSERT_TRUE(ComputeKeyframes(end, settings, output, all, {.threads = 2}, reason)) << reason;
    const auto folder = MovieWorkFolder(output.path);
    for (int k : {0, 30, 55, 90}) {
        const FractalDef view = KeyframeView(end, k, {64, 36}).value();
        ViewCounter::Kind kind{};
        const ImageBuffer direct = Direct(view, 64, 36, &kind);
        EXPECT_EQ(kind, k < 60 ? ViewCounter::Kind::Deep : ViewCounter::Kind::Plain) << k;
        ImageBuffer stored;
        ASSERT_TRUE(LoadKeyframe(folder, k, {64, 36}, stored, reason)) << reason;
        EXPECT_EQ(stored, direct) << "keyframe " << k;
    }
    const MovieOutcome outcome = AssembleMovie(end, settings, output, {.threads = 2});
    ASSERT_TRUE(outcome.written) << outcome.reason;
    EXPECT_EQ(static_cast<int>(test::Tree(output.path).size()), plan.Frames());
}

TEST_F(MovieTest, KeyframesAreUsedAgainOnlyWhileTheyMatchTheMovie) {
    const MovieSettings settings{.width = 32, .height = 18, .fps = 1, .holdSeconds = 0};
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "again"};
    const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    std::string reason;
    const auto compute = [&](const MovieSettings& s) {
        observer = {};
        EXPECT_TRUE(ComputeKeyframes(end, s, output, all, {.observer = &observer}, reason))
            << reason;
        return observer.computed.size();
    };
    EXPECT_EQ(compute(settings), 12u);
    EXPECT_EQ(compute(settings), 0u);
    // Another speed draws other frames from the same keyframes.
    EXPECT_EQ(compute({.width = 32, .height = 18, .fps = 5, .holdSeconds = 3}), 0u);
    // Anything that changes their pixels makes them anew: samples, the view's iterations.
    EXPECT_EQ(compute({.width = 32, .height = 18, .fps = 1, .supersample = 2}), 12u);
    end.Iterations = 600;
    EXPECT_EQ(compute({.width = 32, .height = 18, .fps = 1, .supersample = 2}), 12u);
    end.Appearance.Colouring.method = ColourMethod::Smooth;
    EXPECT_EQ(compute({.width = 32, .height = 18, .fps = 1, .supersample = 2}), 12u);

    // A keyframe damaged after it was written: the frames cannot be made, and the next run
    // computes that keyframe alone.
    const auto folder = MovieWorkFolder(output.path);
    const std::string bytes = test::ReadBytes(KeyframePath(folder, 4));
    test::WriteBytes(KeyframePath(folder, 4), bytes.substr(0, bytes.size() - 40));
    MovieOutcome outcome = Make({.width = 32, .height = 18, .fps = 1, .supersample = 2}, output);
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.reason.find("keyframe 4 was damaged"), std::string::npos) << outcome.reason;
    outcome = Make({.width = 32, .height = 18, .fps = 1, .supersample = 2}, output);
    EXPECT_TRUE(outcome.written) << outcome.reason;
    EXPECT_EQ(observer.computed, std::vector<int>{4});
    // Without every keyframe there is no movie to assemble.
    outcome = AssembleMovie(end, settings, output, {});
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.reason.find("keyframes missing"), std::string::npos) << outcome.reason;
}

TEST_F(MovieTest, ACancelledMovieKeepsItsFinishedKeyframesAndWritesNothing) {
    class Cancelling final : public MovieObserver {
      public:
        void Begun(const MoviePlan&, int) override {}
        void KeyframeBegun(int) override {}
        void KeyframeReference(double) override {}
        void KeyframeRows(double) override {}
        void KeyframeDone(int keyframe, const ImageBuffer&) override {
            if (keyframe == 2)
                cancel = true;
        }
        void FramesDone(int) override {}
        std::atomic<bool> cancel{false};
    } cancelling;
    const MovieOutput output{MovieOutput::Kind::Frames, dir.Path() / "cancelled"};
    const MovieOutcome outcome =
        MakeMovie(end, {.width = 32, .height = 18}, output,
                  {.threads = 2, .cancel = &cancelling.cancel, .observer = &cancelling});
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(std::filesystem::exists(output.path));
    EXPECT_EQ(test::Tree(MovieWorkFolder(output.path)),
              (std::vector<std::string>{"keyframe-000000.png", "keyframe-000001.png",
                                        "keyframe-000002.png"}));
}

TEST_F(MovieTest, WithoutFfmpegAVideoSaysSoBeforeComputingAnything) {
    ::setenv("ZOLT_FFMPEG", (dir.Path() / "no-ffmpeg").c_str(), 1);
    const MovieOutput output{MovieOutput::Kind::Video, dir.Path() / "m.mp4"};
    const MovieOutcome outcome = Make({.width = 32, .height = 18}, output);
    ::unsetenv("ZOLT_FFMPEG");
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.reason, kFfmpegNeeded);
    EXPECT_FALSE(std::filesystem::exists(MovieWorkFolder(output.path)));
    EXPECT_TRUE(observer.computed.empty());
    // Nor are frames that no MP4 video holds computed first and refused after.
    const MovieOutcome odd = Make({.width = 33, .height = 18}, output);
    EXPECT_EQ(odd.reason, "an MP4 video needs an even width and height");
    EXPECT_FALSE(std::filesystem::exists(MovieWorkFolder(output.path)));
    EXPECT_TRUE(observer.computed.empty());
}

}  // namespace
}  // namespace zolt

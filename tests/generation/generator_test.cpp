#include "generation/generator.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/deep_engine.h"
#include "generation/generator_fixture.h"
#include "generation/pass_schedule.h"
#include "generation/view_refusal.h"
#include "generation/worker_threads.h"
#include "support/child_process.h"

namespace zolt {
namespace {

using namespace test_generation;

TEST(ThreadPriority, MapsTheSevenLevelsAndLeavesOthersAlone) {
    EXPECT_TRUE(PriorityFor(1).idle);
    EXPECT_EQ(PriorityFor(2).niceDelta, 10);
    EXPECT_EQ(PriorityFor(4).niceDelta, 0);
    EXPECT_EQ(PriorityFor(7).niceDelta, -15);
    EXPECT_FALSE(PriorityFor(0).change);
    EXPECT_FALSE(PriorityFor(8).change);
    EXPECT_TRUE(ApplyThreadPriority(99));  // nothing to do
    // A pool's threads apply the generation's priority again, after inheriting it.
    int nice = 0;
    std::thread([&nice] {
        ASSERT_TRUE(ApplyThreadPriority(3));
        std::thread([&nice] {
            ASSERT_TRUE(ApplyThreadPriority(3));
            nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
        }).join();
    }).join();
    // The system holds niceness at 19, so a test run already nice still sees the change clamp.
    const int before = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    EXPECT_EQ(nice, std::min(before + 5, 19));
}

// A change of colouring recolours the image from its samples where they suffice, and the image
// is then the one a generation in that colouring gives; a generation may keep more samples than
// its colouring reads, so that more colourings can follow without counting again. The classic
// colouring keeps none unless asked.
TEST_F(GeneratorTest, AColouringChangeRecoloursWhatTheSamplesAllow) {
    ReadyHome();
    Colouring smooth;
    smooth.method = ColourMethod::Smooth;
    Colouring mapped;
    mapped.gradient = {GradientKind::Entries, "", {{0, {9, 9, 9}}, {0.5, {200, 0, 0}}}, {}};
    EXPECT_EQ(generator.ChangeFor(mapped), Generator::ColouringChange::Regenerate);  // no image
    generator.Generate({});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(generator.ChangeFor(mapped), Generator::ColouringChange::Regenerate);
    generator.SetSampleFloor(SampleLevel::Counts);
    generator.Generate({});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(generator.ChangeFor(mapped), Generator::ColouringChange::Recolour);
    EXPECT_EQ(generator.ChangeFor(smooth), Generator::ColouringChange::Regenerate);
    ASSERT_TRUE(current.SetColouring(smooth));
    EXPECT_FALSE(generator.Recolour());

    ASSERT_TRUE(current.SetColouring(mapped));
    const int presented = ui.Presents();
    ASSERT_TRUE(generator.Recolour());
    EXPECT_GT(ui.Presents(), presented);
    EXPECT_EQ(generator.CopyImage(), UninterruptedImage());

    generator.SetSampleFloor(SampleLevel::Distance);
    generator.Generate({});
    ASSERT_TRUE(WaitIdle());
    for (const ColourMethod method : {ColourMethod::Relief, ColourMethod::Bands}) {
        Colouring colouring;
        colouring.method = method;
        ASSERT_EQ(generator.ChangeFor(colouring), Generator::ColouringChange::Recolour);
        ASSERT_TRUE(current.SetColouring(colouring));
        ASSERT_TRUE(generator.Recolour());
        EXPECT_EQ(generator.CopyImage(), UninterruptedImage());
    }
    Colouring invalid;
    invalid.repeat = -1;
    EXPECT_FALSE(current.SetColouring(invalid));
}

TEST_F(GeneratorTest, NothingHappensBeforeTheFirstReady) {
    DefineHome();
    generator.Generate({.push = true, .increment = true});
    generator.Stop();
    EXPECT_FALSE(generator.IsRunning());
    ImageInfo info;
    EXPECT_FALSE(generator.GetImage(info));
    GenerationSnapshot snapshot;
    EXPECT_FALSE(generator.GetSnapshot(snapshot));
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(GeneratorTest, CommandMaskAfterEveryTransition) {
    EXPECT_EQ(ui.GetCommandState(), kStartMask);
    DefineHome();
    EXPECT_EQ(ui.GetCommandState(), kStartMask | kFileCommands);
    generator.Ready({.discard = true});
    EXPECT_EQ(ui.GetCommandState(), kIdle);

    ui.HoldAt(1);  // the cleared image, before the first pass
    generator.Generate({.push = true, .increment = true});
    EXPECT_EQ(ui.GetCommandState(), kRunning);
    ASSERT_TRUE(ui.WaitHeld());
    generator.Stop();
    EXPECT_EQ(ui.GetCommandState(), kEnding);
    ui.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.GetCommandState(), kStopped);
    EXPECT_EQ(ui.StatusText(1), "Stopped");

    generator.Continue();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.GetCommandState(), kIdle);
    EXPECT_EQ(ui.StatusText(1), "Finished");

    // A zoom: Ready without flags keeps the picture and turns Continue off.
    generator.Stop();
    Zoom(-1.0, 0.0, -0.5);
    EXPECT_EQ(ui.GetCommandState(), kIdle);
    ImageInfo info;
    ASSERT_TRUE(generator.GetImage(info));
    EXPECT_TRUE(info.created);
}

TEST_F(GeneratorTest, StatusTextsOfAFullGeneration) {
    ui.SetViewSize({16, 16});
    ReadyHome();
    ui.ClearStatusHistory();
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    const std::vector<Status> expected{
        {3, "1 of 1"},
        {1, "Generating@250 iterations"},
        {2, "Resolution: 8 - 6%"},
        {2, "Resolution: 4 - 6%"},
        {2, "Resolution: 4 - 56%"},
        {2, "Resolution: 1 - 6%"},
        {2, "Resolution: 1 - 50%"},
        {2, "Resolution: 1 - 100%"},
        {1, "Finished"},
        {2, ""},
    };
    EXPECT_EQ(ui.StatusHistory(), expected);
    EXPECT_FALSE(current.Definition().AspectLocked);
}

TEST_F(GeneratorTest, StopInThePassAtFourThenContinueGivesTheUninterruptedImage) {
    // One thread: while its copy is held, no other can finish the pass behind the stop. (Passes
    // stopped and resumed on several threads are the render pass's own tests.)
    generator.SetThreads(1);
    ReadyHome();
    // Copies of a 64 x 50 view: 1 the cleared image; pass 8: 2 at 50 %, 3 its end;
    // pass 4: 4 at 10 %.
    ASSERT_TRUE(GenerateHeldAt(4));
    generator.Stop();
    ui.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(1), "Stopped");
    EXPECT_TRUE(generator.CanContinue());
    GenerationSnapshot before;
    ASSERT_TRUE(generator.GetSnapshot(before));

    ui.ClearStatusHistory();
    generator.Continue();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusHistory().front(), (Status{1, "Generating@250 iterations"}));
    EXPECT_EQ(PassBlocks(), (std::vector<int>{4, 1}));
    EXPECT_EQ(ui.StatusText(1), "Finished");
    GenerationSnapshot after;
    ASSERT_TRUE(generator.GetSnapshot(after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(generator.CopyImage(), UninterruptedImage());
}

// In a child process that may not make another thread once a generation has stopped.
TEST_F(GeneratorTest, AThreadThatCannotStartIsReportedAndChangesNoCommand) {
    ReadyHome();
    const auto failedStarts = [&] {
        if (!GenerateHeldAt(4))
            return false;
        generator.Stop();
        ui.Release();
        if (!WaitIdle() || !generator.CanContinue())
            return false;
        const std::uint32_t stopped = ui.GetCommandState();
        const rlimit noThreads{0, 0};
        if (::setrlimit(RLIMIT_NPROC, &noThreads) != 0)
            return false;

        // A continuation keeps its saved point, so that it can be tried again.
        generator.Continue();
        bool ok = ui.Messages() == std::vector<std::string>{"Failed to start fractal thread."} &&
                  !generator.IsRunning() && generator.CanContinue() &&
                  ui.GetCommandState() == stopped;
        // A fresh start has released the image and cleared the snapshot.
        generator.Generate({});
        GenerationSnapshot snapshot;
        ImageInfo image;
        ok = ok && ui.Messages().size() == 2 && !generator.IsRunning() &&
             ui.GetCommandState() == stopped && generator.GetSnapshot(snapshot) &&
             snapshot == GenerationSnapshot{} && generator.GetImage(image) && !image.created;
        return ok;
    };
    EXPECT_TRUE(test::RunInChild(failedStarts, {.unprivileged = true}));
}

// In a child process whose memory cannot hold the view's picture.
TEST_F(GeneratorTest, AViewTooLargeForTheMemoryIsToldAndChangesNothing) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator ends the program where the system's fails";
#endif
    ReadyHome();
    ui.SetViewSize({40000, 40000});  // a picture of 6.4 GB
    const std::uint32_t idle = ui.GetCommandState();
    const auto tooLarge = [&] {
        generator.Generate({.push = true, .increment = true});
        return WaitIdle() &&
               ui.Messages() == std::vector<std::string>{"Not enough memory for this view."} &&
               ui.GetCommandState() == idle && !current.Definition().AspectLocked;
    };
    EXPECT_TRUE(test::RunInChild(tooLarge, {.memoryLimit = std::size_t{1} << 30}));
}

TEST_F(GeneratorTest, SkipDuringThePassAtEightStartsThePassAtFourAtOnce) {
    ReadyHome();
    ImageBuffer atEndOfFirstPass;
    ui.OnPresent([&](int n) {
        if (n == 2)
            atEndOfFirstPass = generator.CopyImage();
    });
    ASSERT_TRUE(GenerateHeldAt(1));
    generator.Skip();
    ui.Release();
    ASSERT_TRUE(WaitIdle());
    // The pass at 8 gave way before it drew anything.
    EXPECT_EQ(atEndOfFirstPass.At(0, 0), kDarkGrey);
    EXPECT_EQ(atEndOfFirstPass.At(63, 49), kDarkGrey);
    EXPECT_EQ(PassBlocks(), (std::vector<int>{8, 4, 1}));
    EXPECT_EQ(ui.StatusText(1), "Finished");
    EXPECT_EQ(generator.CopyImage(), UninterruptedImage());
}

TEST_F(GeneratorTest, SkipIsOfferedOnlyWhileTheBlocksAreLargerThanAPixel) {
    DefineHome();
    defaults.values.InitialResolution = 1;
    generator.Ready({.discard = true});
    ASSERT_TRUE(GenerateHeldAt(1));
    ui.Release();
    ASSERT_TRUE(loop.RunUntil([this] { return generator.DeliverWorkerCalls(); },
                              [this] { return !ui.IsCommandEnabled(kCmdSkip); }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(PassBlocks(), (std::vector<int>{1}));
}

TEST_F(GeneratorTest, TheStoredScheduleShapesThePasses) {
    const struct {
        int initial, penultimate;
        std::vector<int> passes;
    } cases[] = {{8, 4, {8, 4, 1}}, {8, 2, {8, 4, 2, 1}}, {1, 1, {1}}, {4, 4, {4, 1}}, {0, 4, {1}}};
    DefineHome();
    for (const auto& c : cases) {
        defaults.values.InitialResolution = c.initial;
        defaults.values.PenultimateResolution = c.penultimate;
        generator.Ready({.discard = true});
        ui.ClearStatusHistory();
        generator.Generate({});
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(PassBlocks(), c.passes) << c.initial << "/" << c.penultimate;
    }
}

TEST_F(GeneratorTest, AStopAfterTheLastPassCountsAsFinished) {
    ui.SetViewSize({4, 1});
    DefineHome();
    defaults.values.InitialResolution = 1;
    generator.Ready({.discard = true});
    // Copies: 1 the cleared image, 2 at 100 %, 3 the end of the only pass. The stop arrives
    // after the pass looked at it for the last time.
    ASSERT_TRUE(GenerateHeldAt(3));
    generator.Stop();
    ui.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(1), "Finished");
    EXPECT_FALSE(generator.CanContinue());
    EXPECT_FALSE(ui.IsCommandEnabled(kCmdContinue));
}

TEST_F(GeneratorTest, GenerateTwiceOnTheSameViewRecordsAndRaisesNothing) {
    ReadyHome();
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(current.Definition().Iterations, 250);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(ui.StatusText(3), "1 of 1");
}

TEST_F(GeneratorTest, GenerateAfterAZoomRaisesOnceAndTruncatesTheHistory) {
    ReadyHome();
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    Zoom(-1.0, 0.0, -0.5);
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    Zoom(-0.5, 0.0, -0.25);
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(3), "3 of 3");
    EXPECT_EQ(current.Definition().Iterations, 300);

    world.work.Back();
    world.work.Back();
    EXPECT_EQ(ui.StatusText(3), "1 of 3");
    EXPECT_EQ(current.Definition().Iterations, 250);

    current.ClearUntitled();
    Zoom(-2.0, -1.0, -0.5);
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(3), "2 of 2");
    EXPECT_EQ(current.Definition().Iterations, 275);
    EXPECT_TRUE(current.Definition().Untitled);
}

TEST_F(GeneratorTest, TheIncrementSaturatesInsteadOfOverflowing) {
    DefineHome(2147483600);
    defaults.values.IterativeIncrement = 1000;
    generator.Ready({.discard = true});
    generator.Generate({.push = true, .increment = true});
    generator.Stop();
    ASSERT_TRUE(WaitIdle());
    Zoom(-1.0, 0.0, -0.5);
    generator.Generate({.push = true, .increment = true});
    generator.Stop();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(current.Definition().Iterations, 2147483647);
}

TEST_F(GeneratorTest, AResizeOutsideAGenerationIsANewView) {
    ReadyHome();
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    const double qfinish = current.Definition().Qfinish;
    current.ClearUntitled();

    ui.SetViewSize({64, 80});
    current.RefreshAspect();
    EXPECT_NE(current.Definition().Qfinish, qfinish);
    EXPECT_EQ(current.Definition().Pstart, -2.5);
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(current.Definition().Iterations, 275);
    EXPECT_TRUE(current.Definition().Untitled);
    EXPECT_EQ(ui.StatusText(3), "2 of 2");
}

TEST_F(GeneratorTest, AResizeDuringAGenerationWaitsForItsEnd) {
    ReadyHome();
    ASSERT_TRUE(GenerateHeldAt(1));
    const double qfinish = current.Definition().Qfinish;
    ui.SetViewSize({64, 80});
    current.RefreshAspect();
    EXPECT_EQ(current.Definition().Qfinish, qfinish);
    ui.Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(current.Definition().Qfinish, DeriveQfinish(-2.5, 1.25, -1.5, ViewSize{64, 80}));
}

TEST_F(GeneratorTest, StopEndsAPointOfTwoBillionIterationsAtOnce) {
    DefineNeck();
    generator.Ready({.discard = true});
    ASSERT_TRUE(GenerateHeldAt(1));
    ui.Release();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well inside the first point
    const auto before = std::chrono::steady_clock::now();
    generator.Stop();
    ASSERT_TRUE(WaitIdle());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(ui.StatusText(1), "Stopped");
}

TEST_F(GeneratorTest, ShutdownDuringAGenerationEndsItWithoutAnotherWord) {
    DefineNeck();
    generator.Ready({.discard = true});
    ASSERT_TRUE(GenerateHeldAt(1));
    ui.Release();
    const auto before = std::chrono::steady_clock::now();
    generator.Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_FALSE(generator.IsRunning());
    const auto texts = ui.StatusHistory().size();
    EXPECT_EQ(generator.DeliverWorkerCalls(), 0);
    EXPECT_EQ(ui.StatusHistory().size(), texts);
    ImageInfo info;
    ASSERT_TRUE(generator.GetImage(info));
    EXPECT_FALSE(info.created);
    generator.Generate({.push = true, .increment = true});  // nothing after shutdown
    EXPECT_FALSE(generator.IsRunning());
}

TEST_F(GeneratorTest, ReadyWithDiscardStopsARunningGenerationFirst) {
    ReadyHome();
    ASSERT_TRUE(GenerateHeldAt(1));
    ui.Release();
    generator.Ready({.discard = true});
    EXPECT_FALSE(generator.IsRunning());
    EXPECT_EQ(ui.StatusText(1), "Ready");
    EXPECT_EQ(ui.StatusText(2), "");
    EXPECT_EQ(ui.GetCommandState(), kIdle);
    EXPECT_FALSE(current.Definition().AspectLocked);
    ImageInfo info;
    ASSERT_TRUE(generator.GetImage(info));
    EXPECT_FALSE(info.created);
}

TEST_F(GeneratorTest, AutoGenerateStartsAtReadyWhenAsked) {
    DefineHome();
    defaults.values.AutoGenerate = true;
    generator.Ready({.discard = true, .autoGenerate = true, .generate = {.push = true}});
    EXPECT_TRUE(generator.IsRunning());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(3), "1 of 1");
    generator.Ready({});  // a zoom never starts one
    EXPECT_FALSE(generator.IsRunning());
}

TEST_F(GeneratorTest, BackAndForwardRegenerateWithoutRecordingOrRaising) {
    ReadyHome();
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    Zoom(-1.0, 0.0, -0.5);
    generator.Generate({.push = true, .increment = true});
    ASSERT_TRUE(WaitIdle());
    defaults.values.AutoGenerate = true;
    world.work.Back();
    EXPECT_TRUE(generator.IsRunning());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(3), "1 of 2");
    EXPECT_EQ(current.Definition().Iterations, 250);
    EXPECT_TRUE(ui.IsCommandEnabled(kCmdForward));
    EXPECT_FALSE(ui.IsCommandEnabled(kCmdBack));
    world.work.Forward();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(3), "2 of 2");
    EXPECT_EQ(history.Count(), 2);
}

}  // namespace
}  // namespace zolt

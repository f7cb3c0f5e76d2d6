// The generator on views finer than doubles: the deep engine's reference orbit, stopped and
// continued, the precision limit, and a reference too large for the memory free.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "generation/generator.h"
#include "generation/generator_fixture.h"
#include "generation/view_refusal.h"
#include "support/child_process.h"

namespace zolt {
namespace {

using namespace test_generation;

// A reference orbit that takes seconds: ten million iterations inside the cardioid, 1e-100 wide.
TEST_F(GeneratorTest, StopWhileTheReferenceIsComputedAndContinueWhereItStopped) {
    ui.SetViewSize({8, 8});
    DefineHome(10000000);
    ASSERT_TRUE(world.ZoomExact(
        "-0.1",
        "-0.09999999999999999999999999999999999999999999999999999999999999999999999999999999"
        "999999999999999999999",
        "0.1"));
    const auto reference = [](const Status& change) {
        return change.pane == 2 && change.text.starts_with("Reference: ");
    };
    // Stopped once the reference is under way, at 1 % or more.
    const auto underWay = [this, &reference] {
        return std::ranges::any_of(ui.StatusHistory(), [&](const Status& change) {
            return reference(change) && change.text != "Reference: 0%";
        });
    };
    for (const bool fresh : {true, false}) {
        ui.ClearStatusHistory();
        if (fresh)
            generator.Generate({});
        else
            generator.Continue();
        ASSERT_TRUE(
            loop.RunUntil([this] { return generator.DeliverWorkerCalls(); }, underWay, 60000));
        const auto before = std::chrono::steady_clock::now();
        generator.Stop();
        ASSERT_TRUE(WaitIdle());
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
        EXPECT_EQ(ui.StatusText(1), "Stopped");
        EXPECT_TRUE(generator.CanContinue());
        // Continued, the reference goes on from where it was, not from nothing.
        const auto first = std::ranges::find_if(ui.StatusHistory(), reference);
        EXPECT_EQ(first->text == "Reference: 0%", fresh) << first->text;
    }
}

// Pixels 2^-49 of the largest coordinate apart are the closest that doubles tell apart in a
// picture; one step closer, the generation goes deep. Past the deep engine's precision it says
// that it reached the limit.
TEST_F(GeneratorTest, AViewFinerThanDoublesGoesDeepAndSaysWhenEvenThatIsPast) {
    // 64 pixels across from 1 - 2i, where every point escapes at once; doubles resolve pixel
    // steps down to 2^-48 there.
    const struct {
        double step;
        const char* finished;
    } cases[] = {
        {0x1p-48, "Finished"},
        {0x1p-49, "Finished - deep zoom"},
    };
    ui.SetViewSize({64, 4});
    for (const auto& c : cases) {
        DefineHome();
        Zoom(1.0, 1.0 + 64 * c.step, -2.0);
        generator.Generate({});
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(ui.StatusText(1), c.finished) << c.step;
    }
    // About 70,000 binary places deep, past any precision the deep engine has.
    ASSERT_TRUE(world.ZoomExact("0", "1e-21100", "0"));
    generator.Generate({});
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ui.StatusText(1), "Finished - precision limit");
    EXPECT_TRUE(ui.Messages().empty());
}

// A deep view's reference that the memory free could not hold is refused before any of it is
// made, saying how much it needs; the same view is drawn where there is room. The memory free is
// the machine's, and no more than a limit on the address space leaves.
TEST_F(GeneratorTest, ADeepReferenceLargerThanTheMemoryFreeIsRefused) {
    GenerationSnapshot deep = HomeView({64, 50});
    ASSERT_TRUE(
        SetExactCorners(deep, {"-0.1", "-0.0999999999999999999999999999999", "0.1"}, {64, 50}));
    deep.Iterations = 10000000;
    const std::string refused = ViewRefusal(deep, 64, 50, [] { return 200 << 20; });
    EXPECT_TRUE(refused.starts_with("the reference orbit needs ") &&
                refused.ends_with(" MiB of memory, and 200 MiB is free"))
        << refused;
    EXPECT_EQ(ViewRefusal(deep, 64, 50, [] { return 1ULL << 30; }), "");
    // Views the plain loop draws need no reference, nor a look at the memory (on every zoom).
    EXPECT_EQ(ViewRefusal(HomeView({64, 50}), 64, 50,
                          [] {
                              ADD_FAILURE() << "the memory was read for a shallow view";
                              return std::uint64_t{0};
                          }),
              "");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    DefineHome();
    current.SetNumbers(deep);
    generator.Ready({});
    EXPECT_TRUE(test::RunInChild(
        [&] {
            if (AvailableMemory() > (300u << 20))
                return false;
            generator.Generate({});  // what the view was generated from stays
            return !generator.IsRunning() && ui.Messages().size() == 1 &&
                   ui.Messages()[0].starts_with("This view cannot be drawn: the reference orbit");
        },
        {.memoryLimit = test::UsedAddressSpace() + (300u << 20)}));
#endif
}

// A deep view dived into faster than its limit rose, at the limit all over: with Automatic
// Iterations the next view's limit is raised, since the orbit of its centre has not settled.
TEST_F(GeneratorTest, AutomaticIterationsRaiseADeepViewAtTheLimitAllOver) {
    ui.SetViewSize({16, 13});
    defaults.values.AutomaticIterations = true;
    DefineHome(500);
    // Just right of the cusp at 0.25, where orbits creep for about 3,100 steps, then escape.
    ASSERT_TRUE(world.ZoomExact("0.250001", "0.25000100000000000001", "0"));
    generator.Generate({});
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(generator.Reading());
    EXPECT_EQ(generator.Reading()->tally.atLimit, generator.Reading()->tally.points);
    EXPECT_EQ(generator.NewViewIterations(500), 2000);
}

}  // namespace
}  // namespace zolt

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "commands/zoom_selection.h"
#include "document/fractal_file.h"
#include "document/text_file.h"
#include "engine/deep_engine.h"
#include "support/test_workspace.h"

namespace zolt {
namespace {

// A view the deep engine cannot take (past its iteration limit) is refused by whichever command
// asks for it, before anything changes: the user reads why, and the image, the definition and
// the history stay as they were.
TEST(RefusedView, LeavesTheImageTheDefinitionAndTheHistoryAsTheyWere) {
    TestWorkspace w({64, 4});
    Workspace& work = w.work;
    work.generator.SetThreads(2);
    ZoomSelection zoom(work.current, work.generator, w.ui);
    // 64 pixels 2^-48 apart from 1 - 2i, where every point escapes at once: the finest view
    // doubles draw there, so the many iterations cost nothing.
    ASSERT_TRUE(w.DefineHome("Edge", 4, kMaxDeepIterations + 1));
    w.Zoom(1.0, 1.0 + 64 * 0x1p-48, -2.0);
    work.generator.Generate({.push = true});
    ASSERT_TRUE(w.WaitIdle());
    // The same view, deep, in a file.
    GenerationSnapshot deep = NumbersOf(work.current.Definition());
    ASSERT_TRUE(SetExactCorners(deep, {"1", "1.000000000000000000001", "-2"}, {64, 4}));
    FractalDef deepDef = work.current.Definition();
    SetNumbersOf(deepDef, deep);
    const std::string file = w.home + "/Deep.zlt";
    ASSERT_TRUE(WriteTextFile(file, *FractalFileLines(deepDef)));

    const auto expectRefused = [&](const char* command, const std::function<void()>& run) {
        const GenerationSnapshot numbers = NumbersOf(work.current.Definition());
        const ImageBuffer image = work.generator.CopyImage();
        const std::string title = w.ui.Title();
        const int count = work.history.Count();
        const int at = work.history.Current();
        const std::size_t said = w.ui.Messages().size();
        run();
        ASSERT_EQ(w.ui.Messages().size(), said + 1) << command;
        EXPECT_EQ(w.ui.Messages().back(),
                  "This view cannot be drawn: deep views take at most 33554430 iterations.")
            << command;
        EXPECT_EQ(NumbersOf(work.current.Definition()), numbers) << command;
        EXPECT_EQ(w.ui.Title(), title) << command;
        EXPECT_EQ(work.history.Count(), count) << command;
        EXPECT_EQ(work.history.Current(), at) << command;
        EXPECT_FALSE(work.generator.IsRunning()) << command;
        EXPECT_EQ(work.generator.CopyImage().pixels, image.pixels) << command;
    };
    // One notch in: pixels finer than doubles resolve.
    expectRefused("wheel", [&] { zoom.WheelZoom(32, 2, 1); });
    FakeDialogs dialogs;
    dialogs.answer = file;
    expectRefused("open", [&] { work.Open(dialogs); });
    // Back to the first view once the window has grown: its pixels are then too fine as well.
    work.Home();
    work.generator.Generate({.push = true});
    ASSERT_TRUE(w.WaitIdle());
    w.ui.SetViewSize({128, 4});
    expectRefused("back", [&] { work.Back(); });
    // Generate itself, on a view made current some other way.
    GenerationSnapshot edge = NumbersOf(work.history.Entry(1));
    edge.Qfinish = DeriveQfinish(edge, {128, 4});
    work.current.SetNumbers(edge);
    expectRefused("generate", [&] { work.generator.Generate({.push = true, .increment = true}); });
}

// A zoom whose corners would need more digits than a deep view may hold is not made either, and
// says so: the wheel, the keys and a dragged rectangle alike.
TEST(RefusedView, AZoomPastTheLongestCoordinatesSaysSo) {
    TestWorkspace w({640, 40});
    Workspace& work = w.work;
    ZoomSelection zoom(work.current, work.generator, w.ui);
    ASSERT_TRUE(w.DefineHome("Long", 4, 100));
    // 640 pixels 7e-19997 / 640 apart: the corners take 19,999 characters, and pixel edges
    // five digits more, so the corners of any zoom in do not fit.
    GenerationSnapshot deep = NumbersOf(work.current.Definition());
    const std::string left = "-0.5" + std::string(19992, '0');
    ASSERT_TRUE(SetExactCorners(deep, {left + "000", left + "007", "0"}, {640, 40}));
    work.current.SetNumbers(deep);
    work.generator.Ready({});
    work.generator.Generate({.push = true});
    ASSERT_TRUE(w.WaitIdle());
    const std::string expected = "This view cannot be drawn: coordinates longer than 20000 digits.";
    const std::vector<std::pair<const char*, std::function<void()>>> zooms = {
        {"wheel", [&] { zoom.WheelZoom(100, 20, 1); }},
        {"keys", [&] { zoom.ZoomAtCentre(1); }},
        {"rectangle",
         [&] {
             ASSERT_TRUE(zoom.BeginSelection(100, 0));
             zoom.TrackSelection(110, 1);
             zoom.EndSelection(110, 1);
         }},
    };
    for (const auto& [name, run] : zooms) {
        const std::size_t said = w.ui.Messages().size();
        run();
        ASSERT_EQ(w.ui.Messages().size(), said + 1) << name;
        EXPECT_EQ(w.ui.Messages().back(), expected) << name;
        EXPECT_EQ(NumbersOf(work.current.Definition()), deep) << name;
        EXPECT_EQ(work.history.Count(), 1) << name;
    }
    // Out about the centre is fine: its corners need no more digits.
    const std::size_t said = w.ui.Messages().size();
    EXPECT_TRUE(zoom.ZoomAtCentre(-1));
    EXPECT_EQ(w.ui.Messages().size(), said);
}

// So does a view of doubles zoomed out past the largest double.
TEST(RefusedView, AZoomOutPastTheLargestDoubleSaysSo) {
    TestWorkspace w({64, 4});
    ZoomSelection zoom(w.work.current, w.work.generator, w.ui);
    ASSERT_TRUE(w.DefineHome("Huge"));
    w.work.generator.Ready({});
    w.Zoom(0.0, 1.5e308, 0.0);
    const GenerationSnapshot huge = NumbersOf(w.work.current.Definition());
    EXPECT_FALSE(zoom.ZoomAtCentre(-1));
    ASSERT_EQ(w.ui.Messages().size(), 1u);
    EXPECT_EQ(w.ui.Messages().back(),
              "This view cannot be drawn: coordinates beyond the largest numbers.");
    EXPECT_EQ(NumbersOf(w.work.current.Definition()), huge);
}

}  // namespace
}  // namespace zolt

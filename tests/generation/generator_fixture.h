#pragma once

// The generator's tests share these: the command states a generation goes through, and a
// workspace over a small view with its objects at hand by their names.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "generation/generator.h"
#include "support/test_workspace.h"
#include "surface/command_ids.h"

namespace zolt::test_generation {

using Status = HeadlessSurface::StatusChange;

// The command states a generation goes through, named.
inline constexpr std::uint32_t kAlwaysOn =
    CommandBits({kCmdExit, kCmdAbout, kCmdToolbar, kCmdStatusBar});
inline constexpr std::uint32_t kFileCommands = CommandBits(
    {kCmdSave, kCmdSaveAs, kCmdProperties, kCmdExportImage, kCmdColouring, kCmdExportMovie});
// What the program starts with: New, Open, Options and the priorities besides those always on.
inline constexpr std::uint32_t kStartMask =
    kAlwaysOn | kPriorityCommands | CommandBits({kCmdNew, kCmdOpen, kCmdOptions});
inline constexpr std::uint32_t kIdle =
    kStartMask | kFileCommands | CommandBits({kCmdHome, kCmdGenerate, kCmdRefresh});
inline constexpr std::uint32_t kRunning =
    kAlwaysOn | kFileCommands | CommandBits({kCmdStop, kCmdSkip});
inline constexpr std::uint32_t kEnding = kRunning & ~CommandBit(kCmdStop);
inline constexpr std::uint32_t kStopped = kIdle | CommandBit(kCmdContinue);

// A test with a workspace over a small view, its objects at hand by their names.
class WorkspaceTest : public ::testing::Test {
  protected:
    // Three threads compute every generation, whatever the machine has.
    explicit WorkspaceTest(ViewSize view = {64, 50}) : world(view) {
        world.work.generator.SetThreads(3);
    }

    void DefineHome(int iterations = 250, int colours = 256) {
        ASSERT_TRUE(world.DefineHome("Fractal", colours, iterations));
    }
    // The home view made current and the generator readied for it, as New leaves them.
    void ReadyHome() {
        DefineHome();
        generator.Ready({.discard = true});
    }
    void Zoom(double pstart, double pfinish, double qstart) { world.Zoom(pstart, pfinish, qstart); }
    // A view whose every point runs to two billion iterations without repeating itself: a
    // column through the neck between the cardioid and the disc at -0.75, where orbits creep
    // along for about pi / (their distance to -0.75) steps before they escape.
    void DefineNeck() {
        ui.SetViewSize({1, 8});
        DefineHome(2000000000);
        Zoom(-0.75, -0.75 + 1e-13, 1e-13);
    }
    bool WaitIdle(int timeoutMs = 20000) { return world.WaitIdle(timeoutMs); }

    TestWorkspace world;
    GatedSurface& ui = world.ui;
    HeadlessEventLoop& loop = world.loop;
    NavigationHistory& history = world.work.history;
    CurrentFractal& current = world.work.current;
    GenerationDefaults& defaults = world.work.defaults;
    Generator& generator = world.work.generator;
};

class GeneratorTest : public WorkspaceTest {
  protected:
    GeneratorTest() {
        ui.EnableCommands(kAllCommands, true);
        ui.EnableCommands(kAllCommands & ~kStartMask, false);
    }

    // The block sizes of the passes, read from the progress texts at 0 percent... of the rows
    // the pass starts with.
    std::vector<int> PassBlocks() const {
        std::vector<int> blocks;
        for (const Status& s : ui.StatusHistory()) {
            int block = 0, percent = 0;
            if (s.pane == 2 &&
                std::sscanf(s.text.c_str(), "Resolution: %d - %d%%", &block, &percent) == 2 &&
                (blocks.empty() || blocks.back() != block))
                blocks.push_back(block);
        }
        return blocks;
    }

    // Generates as Generate does, and holds the worker at its n-th copy of the image.
    bool GenerateHeldAt(int copy) {
        ui.HoldAt(copy);
        generator.Generate({.push = true, .increment = true});
        return ui.WaitHeld();
    }

    ImageBuffer UninterruptedImage() {
        // Another workspace over the same definition, never disturbed.
        TestWorkspace other(ui.ViewClientSize());
        const FractalDef& def = current.Definition();
        EXPECT_TRUE(other.work.current.SetCurrent("Same", NumbersOf(def), def.Appearance,
                                                  {.untitled = true}));
        other.work.defaults.values = defaults.values;
        other.work.generator.Ready({});
        other.work.generator.Generate({});
        EXPECT_TRUE(other.WaitIdle());
        return other.work.generator.CopyImage();
    }
};

}  // namespace zolt::test_generation

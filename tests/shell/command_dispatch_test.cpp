#include "shell/command_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/app_context.h"
#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "shell/command_hooks.h"
#include "shell/command_table.h"
#include "shell/shell_operations.h"
#include "surface/command_ids.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

class RecordingShell final : public ShellOperations {
  public:
    void ToggleToolbar() override { calls.push_back("toolbar"); }
    void ToggleStatusbar() override { calls.push_back("statusbar"); }
    void SetPriority(int priority) override {
        calls.push_back("priority " + std::to_string(priority));
    }
    void OpenContact(bool mail, bool web) override {
        calls.push_back(std::string("contact") + (mail ? " mail" : "") + (web ? " web" : ""));
    }
    void QuitApplication() override { calls.push_back("quit"); }
    std::vector<std::string> calls;
};

class CommandDispatchTest : public ::testing::Test {
  protected:
    CommandDispatchTest() {
        defaults.values.AutoGenerate = false;
        defaults.SetEditor([this](GenerationDefaults&) { calls.push_back("options"); });
        auto record = [this](const char* name) { return [this, name] { calls.push_back(name); }; };
        hooks.newFractal = record("new");
        hooks.open = record("open");
        hooks.save = record("save");
        hooks.saveAs = record("save as");
        hooks.properties = record("properties");
        hooks.about = record("about");
    }

    bool Dispatch(int id) {
        calls.clear();
        shell.calls.clear();
        return DispatchCommand(id, app, shell, hooks);
    }
    std::vector<std::string> What() const {
        std::vector<std::string> all = calls;
        all.insert(all.end(), shell.calls.begin(), shell.calls.end());
        return all;
    }

    HeadlessSurface ui{{160, 120}, 256};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
    GenerationDefaults defaults{ui, nullptr};
    HeadlessEventLoop loop;
    Generator generator{ui, current, history, defaults, loop.WakeFunction()};
    AppContext app{ui, nullptr, defaults, history, current, generator};
    RecordingShell shell;
    CommandHooks hooks;
    std::vector<std::string> calls;
};

TEST_F(CommandDispatchTest, EachCommandCallsItsOneOperation) {
    ui.EnableCommands(kAllCommands, true);
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "new"},         {2, "open"},          {3, "save"},         {4, "save as"},
        {5, "properties"},  {6, "quit"},          {7, "options"},      {8, "about"},
        {16, "priority 1"}, {19, "priority 4"},   {22, "priority 7"},  {24, "toolbar"},
        {25, "statusbar"},  {26, "contact mail"}, {27, "contact web"},
    };
    for (const auto& [id, what] : expected) {
        EXPECT_TRUE(Dispatch(id)) << id;
        EXPECT_EQ(What(), std::vector<std::string>{what}) << id;
    }
    const int before = ui.Invalidations();
    EXPECT_TRUE(Dispatch(kCmdRefresh));
    EXPECT_EQ(ui.Invalidations(), before + 1);
    EXPECT_TRUE(What().empty());
}

TEST_F(CommandDispatchTest, ADisabledCommandDoesNothing) {
    for (int id = kFirstCommand; id <= kLastMaskedCommand; ++id) {
        EXPECT_FALSE(Dispatch(id)) << id;
        EXPECT_TRUE(What().empty()) << id;
    }
    EXPECT_EQ(ui.Invalidations(), 0);
    // Mail and Web have no bit and are always available.
    EXPECT_TRUE(Dispatch(kCmdMail));
    EXPECT_TRUE(Dispatch(kCmdWeb));
}

TEST_F(CommandDispatchTest, IdsOutsideTheTableAreIgnored) {
    ui.EnableCommands(kAllCommands, true);
    for (int id : {-1, 0, 28, 0x10000 + kCmdNew}) {
        EXPECT_FALSE(Dispatch(id)) << id;
        EXPECT_TRUE(What().empty()) << id;
    }
}

TEST_F(CommandDispatchTest, AnEmptyHookDoesNothing) {
    ui.EnableCommands(kAllCommands, true);
    hooks = {};
    EXPECT_TRUE(Dispatch(kCmdNew));
    EXPECT_TRUE(What().empty());
}

TEST_F(CommandDispatchTest, GenerateAndHomeReachTheGeneratorAndTheDefinition) {
    Appearance appearance;
    ASSERT_TRUE(
        current.SetCurrent("Test", {-1.0, 0.0, -0.5, 0.0, 50, 4.0}, appearance, false, true));
    generator.Ready(true, false, false, false);
    ASSERT_TRUE(ui.IsCommandEnabled(kCmdGenerate));

    EXPECT_TRUE(Dispatch(kCmdGenerate));
    ASSERT_TRUE(loop.RunUntil([&] { return generator.DeliverWorkerCalls(); },
                              [&] { return !generator.IsRunning(); }));
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(ui.StatusText(1), "Finished");

    EXPECT_TRUE(Dispatch(kCmdHome));
    EXPECT_DOUBLE_EQ(current.Definition().Pstart, kHomePstart);
    EXPECT_DOUBLE_EQ(current.Definition().Pfinish, kHomePfinish);
    EXPECT_EQ(current.Definition().Iterations, kHomeIterations);
}

TEST(PriorityCommandTest, SevenPrioritiesSevenItems) {
    EXPECT_EQ(PriorityCommand(1), 16);
    EXPECT_EQ(PriorityCommand(4), 19);
    EXPECT_EQ(PriorityCommand(7), 22);
    EXPECT_FALSE(PriorityCommand(0).has_value());
    EXPECT_FALSE(PriorityCommand(8).has_value());
    EXPECT_FALSE(PriorityCommand(-4).has_value());
}

}  // namespace
}  // namespace zolt

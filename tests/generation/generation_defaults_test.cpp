#include "generation/generation_defaults.h"

#include <gtest/gtest.h>

#include "settings/key_file.h"
#include "settings/registry_store.h"
#include "support/temp_dir.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::pair<std::string, std::string>>;

class GenerationDefaultsTest : public ::testing::Test {
  protected:
    fs::path DefaultsFile() const { return dir.Path() / "user" / "JKV" / "Zolt" / "Defaults.conf"; }
    void Stored(std::string_view bytes) {
        fs::create_directories(DefaultsFile().parent_path());
        test::WriteBytes(DefaultsFile(), bytes);
    }

    test::TempDir dir;
    RegistryStore store{"JKV", "Zolt", "1.0", dir.Roots()};
    HeadlessSurface ui;
};

TEST_F(GenerationDefaultsTest, AnEmptySectionGivesTheBuiltInValues) {
    Stored("");
    GenerationDefaults defaults(ui, &store);
    EXPECT_EQ(defaults.values, (DefaultValues{true, 8, 4, 25, 4, true, true}));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(GenerationDefaultsTest, EachFieldTakesAStoredValueOnlyWhenItReads) {
    Stored(
        "AutoGenerate=0\nInitialResolution=16\nPenultimateResolution=2x\n"
        "IterativeIncrement=twenty\nGeneratePriority= 7\nShowToolbar=2\nShowStatusbar=yes\n");
    GenerationDefaults defaults(ui, &store);
    EXPECT_EQ(defaults.values, (DefaultValues{false, 16, 4, 25, 7, false, true}));
}

// A block size below 1 would leave the Options dialog with empty lists: it loads as the built-in
// one. Other hand edits stay as stored (the generator keeps a priority outside 1 to 7 from taking
// effect), and so does a last line without its line feed.
TEST_F(GenerationDefaultsTest, BlockSizesBelowOneLoadAsBuiltInOthersAsStored) {
    Stored("InitialResolution=0\nPenultimateResolution=-1\nGeneratePriority=9\n");
    GenerationDefaults defaults(ui, &store);
    EXPECT_EQ(defaults.values.InitialResolution, 8);
    EXPECT_EQ(defaults.values.PenultimateResolution, 4);
    EXPECT_EQ(defaults.values.GeneratePriority, 9);
    Stored("IterativeIncrement=3\nInitialResolution=16");
    EXPECT_EQ(GenerationDefaults(ui, &store).values.InitialResolution, 16);
}

// The seven values in their order, then automatic iterations, which came later.
TEST_F(GenerationDefaultsTest, SaveWritesAllValuesInOrder) {
    GenerationDefaults defaults(ui, &store);
    defaults.values.GeneratePriority = 7;
    defaults.values.ShowToolbar = false;
    defaults.values.AutomaticIterations = true;
    ASSERT_TRUE(defaults.SaveValues());
    EXPECT_EQ(ParseKeyFile(test::ReadBytes(DefaultsFile())).entries,
              (Entries{{"AutoGenerate", "1"},
                       {"InitialResolution", "8"},
                       {"PenultimateResolution", "4"},
                       {"IterativeIncrement", "25"},
                       {"GeneratePriority", "7"},
                       {"ShowToolbar", "0"},
                       {"ShowStatusbar", "1"},
                       {"AutomaticIterations", "1"}}));
    EXPECT_EQ(GenerationDefaults(ui, &store).values, defaults.values);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(GenerationDefaultsTest, AFailedWriteIsReportedOnceAndTheValuesStayInMemory) {
    // The store never replaces a settings file it cannot read whole, so every write fails.
    const std::string huge = "#" + std::string(kMaxKeyFileBytes, 'x') + "\n";
    Stored(huge);
    GenerationDefaults defaults(ui, &store);
    defaults.values.IterativeIncrement = 50;
    EXPECT_FALSE(defaults.SaveValues());
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"Failed to set registry value."});
    EXPECT_EQ(test::ReadBytes(DefaultsFile()), huge);
    EXPECT_EQ(defaults.values.IterativeIncrement, 50);
}

TEST_F(GenerationDefaultsTest, WithoutAUsableStoreTheBuiltInValuesStayAndNothingIsShown) {
    test::WriteBytes(dir.Path() / "file", "");
    RegistryStore blocked("JKV", "Zolt", "1.0",
                          {dir.Path() / "machine", dir.Path() / "file" / "u"});
    for (RegistryStore* storeOrNone : {&blocked, static_cast<RegistryStore*>(nullptr)}) {
        GenerationDefaults defaults(ui, storeOrNone);
        EXPECT_EQ(defaults.values, DefaultValues{});
        EXPECT_FALSE(defaults.SaveValues());
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(GenerationDefaultsTest, EditRunsTheEditorOrSaysThereIsNone) {
    GenerationDefaults defaults(ui, &store);
    EXPECT_TRUE(defaults.Edit());
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"Dialog not available."});

    int runs = 0;
    defaults.SetEditor([&](GenerationDefaults& edited) {
        EXPECT_EQ(&edited, &defaults);
        ++runs;
    });
    EXPECT_TRUE(defaults.Edit());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ui.Messages().size(), 1u);
}

}  // namespace
}  // namespace zolt

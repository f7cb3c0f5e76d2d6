#include "commands/file_commands.h"

#include <gtest/gtest.h>

#include "commands/app_context.h"
#include "document_test_world.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "support/child_process.h"

namespace zolt {
namespace {

using test::FakeDialogs;
using test::ReadBytes;
using test::WriteBytes;

const std::string kFile = "Version:1.0\n-2.5\n1.25\n-1.5\n250\n200.000000\n0\n2\n1\n\nff0000\n\n";

class FileCommandsTest : public ::testing::Test {
  protected:
    FileCommandsTest() { defaults.values.AutoGenerate = false; }

    std::string File(const std::string& directory, const std::string& name) {
        const std::string path = w.dir.Sub(directory) + "/" + name;
        WriteBytes(path, kFile);
        return path;
    }
    const FractalDef& Def() const { return w.current.Definition(); }

    test::DocumentWorld w;
    RegistryStore store{"JKV", "Zolt", "1.0", w.Roots()};
    GenerationDefaults defaults{w.ui, nullptr};
    Generator generator{w.ui, w.current, w.history, defaults};
    AppContext app{w.ui, &store, defaults, w.history, w.current, generator};
    FakeDialogs dialogs;
};

TEST_F(FileCommandsTest, OpenThenSaveWritesBackWithoutADialog) {
    const std::string one = File("A", "One.zlt");
    dialogs.answer = one;
    ASSERT_TRUE(OpenFractal(app, w.file, dialogs));
    EXPECT_EQ(w.ui.Title(), "Zolt - One");
    EXPECT_FALSE(Def().Untitled);
    EXPECT_TRUE(generator.Initialised());
    EXPECT_EQ(w.ui.StatusText(1), "Ready");
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));
    EXPECT_EQ(dialogs.starts.size(), 1u);
    EXPECT_EQ(ReadBytes(one).substr(0, 13), "Version:1.0\r\n");
    EXPECT_TRUE(w.ui.Messages().empty());
}

TEST_F(FileCommandsTest, SaveAfterSaveAsGoesToTheSaveAsDirectory) {
    const std::string one = File("A", "One.zlt");
    const std::string b = w.dir.Sub("B");
    dialogs.answer = one;
    ASSERT_TRUE(OpenFractal(app, w.file, dialogs));
    dialogs.answer = b + "/Leaf.zlt";
    ASSERT_TRUE(SaveFractalAs(app, w.file, dialogs));
    EXPECT_EQ(dialogs.initialNames, (std::vector<std::string>{"One"}));
    EXPECT_EQ(w.ui.Title(), "Zolt - Leaf");
    w.current.Rename("One");
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));
    EXPECT_TRUE(std::filesystem::exists(b + "/One.zlt"));
}

TEST_F(FileCommandsTest, UntitledSaveAsksForAName) {
    w.MakeCurrent("Fractal", 4, /*untitled=*/true);
    const std::string work = w.dir.Sub("Work");
    dialogs.answer.reset();
    EXPECT_FALSE(SaveFractal(app, w.file, dialogs));  // cancelled: nothing shown
    EXPECT_TRUE(w.ui.Messages().empty());
    dialogs.answer = work + "/Leaf.zlt";
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));
    EXPECT_EQ(dialogs.initialNames, (std::vector<std::string>{"Fractal", "Fractal"}));
    EXPECT_EQ(w.ui.Title(), "Zolt - Leaf");
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));  // no dialog this time
    EXPECT_EQ(dialogs.starts.size(), 2u);
}

TEST_F(FileCommandsTest, FailedSaveKeepsTheOldFileAndTheDefinition) {
    const std::string one = File("A", "One.zlt");
    ASSERT_TRUE(OpenNamedFile(app, w.file, one));
    w.file.SetFileWriter([](const std::filesystem::path&, std::string_view) { return false; });
    w.current.Rename("One");
    EXPECT_FALSE(SaveFractal(app, w.file, dialogs));
    EXPECT_EQ(w.ui.Messages(), (std::vector<std::string>{"Failed to save file."}));
    EXPECT_EQ(ReadBytes(one), kFile);
    dialogs.answer = one;
    EXPECT_FALSE(SaveFractalAs(app, w.file, dialogs));  // Save As shows nothing
    EXPECT_EQ(w.ui.Messages().size(), 1u);
    EXPECT_EQ(ReadBytes(one), kFile);
    EXPECT_FALSE(Def().Untitled);
}

// The same with the real file writer, in a child process that cannot write the directory or
// runs out of disk space.
TEST_F(FileCommandsTest, SaveIntoAReadOnlyDirectoryOrAFullDiskKeepsTheOldFile) {
    namespace fs = std::filesystem;
    const std::string one = File("A", "One.zlt");
    const fs::path folder = fs::path(one).parent_path();
    ASSERT_TRUE(OpenNamedFile(app, w.file, one));
    w.current.Rename("One");
    const struct {
        const char* what;
        test::ChildLimits limits;
    } cases[] = {{"read-only directory", {.unprivileged = true}},
                 {"disk full", {.fileSizeLimit = 64}}};
    for (const auto& c : cases) {
        const bool readOnly = c.limits.unprivileged;
        if (readOnly) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            ASSERT_TRUE(test::GiveToUnprivilegedChild(w.dir.Path()));
        }
        EXPECT_TRUE(test::RunInChild(
            [&] {
                return !SaveFractal(app, w.file, dialogs) &&
                       w.ui.Messages() == std::vector<std::string>{"Failed to save file."};
            },
            c.limits))
            << c.what;
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(ReadBytes(one), kFile) << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << c.what;
    }
}

TEST_F(FileCommandsTest, NameWithSlashIsSavedInTheSaveDirectory) {
    const std::string one = File("A", "One.zlt");
    ASSERT_TRUE(OpenNamedFile(app, w.file, one));
    w.current.Rename("../../x/y");
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));
    EXPECT_TRUE(std::filesystem::exists(w.dir.Path() / "A" / ".._.._x_y.zlt"));
    EXPECT_EQ(Def().Name.str(), ".._.._x_y");
}

TEST_F(FileCommandsTest, LongNameIsSavedUnderItsFirst20Characters) {
    ASSERT_TRUE(OpenNamedFile(app, w.file, File("A", "abcdefghijklmnopqrstuvwxy.zlt")));
    ASSERT_TRUE(SaveFractal(app, w.file, dialogs));
    EXPECT_TRUE(std::filesystem::exists(w.dir.Path() / "A" / "abcdefghijklmnopqrst.zlt"));
}

TEST_F(FileCommandsTest, FailedOpensChangeNothing) {
    w.MakeCurrent("Before", 4);
    EXPECT_FALSE(OpenNamedFile(app, w.file, w.home + "/missing.zlt"));
    EXPECT_EQ(w.ui.Messages(), (std::vector<std::string>{"Failed to open file."}));
    const std::string old = w.dir.Sub("A") + "/Old.zlt";
    WriteBytes(old, "Version:0.0\n1\n");
    dialogs.answer = old;
    EXPECT_FALSE(OpenFractal(app, w.file, dialogs));
    EXPECT_EQ(w.ui.Messages(),
              (std::vector<std::string>{"Failed to open file.", "Cannot load this format."}));
    dialogs.answer.reset();
    EXPECT_FALSE(OpenFractal(app, w.file, dialogs));
    EXPECT_EQ(w.ui.Messages().size(), 2u);
    EXPECT_EQ(Def().Name.str(), "Before");
    EXPECT_FALSE(generator.Initialised());
}

TEST(JoinCommandLine, JoinsTheArgumentsWithSingleBlanks) {
    EXPECT_EQ(JoinCommandLine({}), "");
    const char* words[] = {"My", "\"Big\"", "File.zlt"};
    EXPECT_EQ(JoinCommandLine(words), "My \"Big\" File.zlt");
    const char* one[] = {"/a b/c.zlt"};
    EXPECT_EQ(JoinCommandLine(one), "/a b/c.zlt");
}

}  // namespace
}  // namespace zolt

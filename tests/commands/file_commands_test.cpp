#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/child_process.h"
#include "support/test_workspace.h"

namespace zolt {
namespace {

using test::ReadBytes;
using test::WriteBytes;

const std::string kFile = "Version:1.0\n-2.5\n1.25\n-1.5\n250\n200.000000\n0\n2\n1\n\nff0000\n\n";

class FileCommandsTest : public ::testing::Test {
  protected:
    std::string File(const std::string& directory, const std::string& name,
                     const std::string& bytes = kFile) {
        const std::string path = w.dir.Sub(directory) + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }
    bool Open(const std::string& path) {
        dialogs.answer = path;
        return w.work.Open(dialogs);
    }
    const FractalDef& Def() const { return w.work.current.Definition(); }

    TestWorkspace w{{760, 620}, 256, /*keepSettings=*/true};
    FakeDialogs dialogs;
};

TEST_F(FileCommandsTest, OpenThenSaveWritesBackWithoutADialog) {
    const std::string one = File("A", "One.zlt");
    ASSERT_TRUE(Open(one));
    EXPECT_EQ(w.ui.Title(), "Zolt - One");
    EXPECT_FALSE(Def().Untitled);
    EXPECT_FALSE(Def().AspectLocked);
    EXPECT_GT(w.ui.Invalidations(), 0);
    EXPECT_TRUE(w.work.generator.Initialised());
    EXPECT_EQ(w.ui.StatusText(1), "Ready");
    ASSERT_TRUE(w.work.Save(dialogs));
    EXPECT_EQ(dialogs.starts.size(), 1u);
    EXPECT_EQ(ReadBytes(one).substr(0, 13), "Version:1.0\r\n");
    EXPECT_TRUE(w.ui.Messages().empty());
}

TEST_F(FileCommandsTest, SaveAfterSaveAsGoesToTheSaveAsDirectory) {
    const std::string b = w.dir.Sub("B");
    ASSERT_TRUE(Open(File("A", "One.zlt")));
    dialogs.answer = b + "/Leaf.zlt";
    ASSERT_TRUE(w.work.SaveAs(dialogs));
    EXPECT_EQ(dialogs.initialNames, (std::vector<std::string>{"One"}));
    EXPECT_EQ(w.ui.Title(), "Zolt - Leaf");
    w.work.current.Rename("One");
    ASSERT_TRUE(w.work.Save(dialogs));
    EXPECT_TRUE(std::filesystem::exists(b + "/One.zlt"));
}

TEST_F(FileCommandsTest, UntitledSaveAsksForAName) {
    ASSERT_TRUE(w.DefineHome("Fractal", 4));
    const std::string work = w.dir.Sub("Work");
    dialogs.answer.reset();
    EXPECT_FALSE(w.work.Save(dialogs));  // cancelled: nothing shown
    EXPECT_TRUE(w.ui.Messages().empty());
    dialogs.answer = work + "/Leaf.zlt";
    ASSERT_TRUE(w.work.Save(dialogs));
    EXPECT_EQ(dialogs.initialNames, (std::vector<std::string>{"Fractal", "Fractal"}));
    EXPECT_EQ(w.ui.Title(), "Zolt - Leaf");
    EXPECT_FALSE(Def().Untitled);
    ASSERT_TRUE(w.work.Save(dialogs));  // no dialog this time
    EXPECT_EQ(dialogs.starts.size(), 2u);
}

// In a child process that cannot write the directory or runs out of disk space, Save and Save As
// say so, and leave the old file, the name and the save directory as they were.
TEST_F(FileCommandsTest, AFailedSaveKeepsTheOldFileAndTheDefinition) {
    namespace fs = std::filesystem;
    const std::string one = File("A", "One.zlt");
    const fs::path folder = fs::path(one).parent_path();
    ASSERT_TRUE(w.work.OpenNamed(one));
    w.work.current.Rename("One");
    const struct {
        const char* what;
        test::ChildLimits limits;
    } cases[] = {{"read-only directory", {.unprivileged = true}},
                 {"disk full", {.fileSizeLimit = 64}}};
    for (const auto& c : cases) {
        if (c.limits.unprivileged) {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            ASSERT_TRUE(test::GiveToUnprivilegedChild(w.dir.Path()));
        }
        EXPECT_TRUE(test::RunInChild(
            [&] {
                if (w.work.Save(dialogs))
                    return false;
                const std::string before = w.work.directories.StartDirectory(DirectoryKind::Save);
                dialogs.answer = folder / "Other.zlt";
                return !w.work.SaveAs(dialogs) &&
                       w.ui.Messages() == std::vector<std::string>(2, "Failed to save file.") &&
                       Def().Name.str() == "One" && w.ui.Title() == "Zolt - One" &&
                       w.work.directories.StartDirectory(DirectoryKind::Save) == before;
            },
            c.limits))
            << c.what;
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(ReadBytes(one), kFile) << c.what;
        EXPECT_EQ(test::Tree(folder), std::vector<std::string>{"One.zlt"}) << c.what;
    }
}

TEST_F(FileCommandsTest, FileNamesBecomeNamesAndNamesFileNames) {
    ASSERT_TRUE(Open(File("A", "Big.Spiral.zlt")));
    EXPECT_EQ(Def().Name.str(), "Big.Spiral");
    // A long name is cut to 20 characters, and saved under those.
    ASSERT_TRUE(w.work.OpenNamed(File("A", "abcdefghijklmnopqrstuvwxy.zlt")));
    EXPECT_EQ(w.ui.Title(), "Zolt - abcdefghijklmnopqrst");
    ASSERT_TRUE(w.work.Save(dialogs));
    EXPECT_TRUE(std::filesystem::exists(w.dir.Path() / "A" / "abcdefghijklmnopqrst.zlt"));
    // A '/' would lead into another directory.
    w.work.current.Rename("../../x/y");
    ASSERT_TRUE(w.work.Save(dialogs));
    EXPECT_TRUE(std::filesystem::exists(w.dir.Path() / "A" / ".._.._x_y.zlt"));
    EXPECT_EQ(Def().Name.str(), ".._.._x_y");
}

TEST_F(FileCommandsTest, FailedOpensChangeNothing) {
    ASSERT_TRUE(w.DefineHome("Before", 4, 250, /*untitled=*/false));
    const FractalDef before = Def();
    EXPECT_FALSE(w.work.OpenNamed(w.home + "/missing.zlt"));
    EXPECT_EQ(w.ui.Messages(),
              (std::vector<std::string>{"Failed to open file. No such file or directory."}));
    // A file the reader names the fault of says so; any other says that it did not load, and
    // why.
    EXPECT_FALSE(Open(File("A", "Old.zlt", "Version:0.0\n1\n")));
    const std::string pi = "3.14159265358979323846264338327950288419716939937510582097494459";
    const std::string header = "Version:1.0\n-2.5\n1.25\n-1.5\n";
    const std::string failing[] = {
        header + "250 \n",                                       // a blank after a number
        "",                                                      // empty
        header.substr(0, 15) + pi + pi + "\n1.25\n-1.5\n250\n",  // a line read in pieces
        (w.dir.Path() / "A").string(),                           // a directory
    };
    for (const std::string& bytes : failing)
        EXPECT_FALSE(Open(&bytes == &failing[3] ? bytes : File("A", "Bad.zlt", bytes)));
    ASSERT_EQ(::mkfifo((w.dir.Path() / "fifo.zlt").c_str(), 0600), 0);
    EXPECT_FALSE(Open((w.dir.Path() / "fifo.zlt").string()));  // nobody writes it: no hang
    dialogs.answer.reset();
    EXPECT_FALSE(w.work.Open(dialogs));  // cancelled: nothing said
    const std::vector<std::string> said = {
        "Failed to open file. No such file or directory.",
        "Cannot load this format.",
        "Failed to open file. Line 5 is not valid.",
        "Failed to open file. Not a fractal file.",
        "Failed to open file. Line 2 is too long.",
        "Failed to open file. Is a directory.",
        "Failed to open file. Not a regular file.",
    };
    EXPECT_EQ(w.ui.Messages(), said);
    EXPECT_EQ(Def().Name, before.Name);
    EXPECT_EQ(NumbersOf(Def()), NumbersOf(before));
    EXPECT_EQ(w.ui.Title(), "Zolt - Before");
    EXPECT_FALSE(w.work.generator.Initialised());
}

TEST_F(FileCommandsTest, ASaveDuringAGenerationKeepsItsAspectLocked) {
    ASSERT_TRUE(w.DefineHome("Busy", 4));
    w.work.current.LockAspect();  // as a running generation holds it
    dialogs.answer = w.home + "/Busy.zlt";
    ASSERT_TRUE(w.work.SaveAs(dialogs));
    EXPECT_TRUE(Def().AspectLocked);
    EXPECT_FALSE(Def().Untitled);
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

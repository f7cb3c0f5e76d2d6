#include <gtest/gtest.h>

#include "document_test_world.h"

namespace zolt {
namespace {

using test::DocumentWorld;
using test::FakeDialogs;
using test::ReadBytes;
using test::WriteBytes;

const std::string kFile = "Version:1.0\n-2.5\n1.25\n-1.5\n250\n200.000000\n0\n2\n1\n\nff0000\n\n";

class RememberedDirectoriesTest : public ::testing::Test {
  protected:
    // One run of the program: its own store and file object over the shared settings root.
    struct Run {
        explicit Run(RememberedDirectoriesTest& t)
            : store("JKV", "Zolt", "1.0", t.w.Roots()), file(t.w.current, t.w.ui, t.w.home) {}
        RegistryStore store;
        FractalFile file;
    };

    std::string Stored(const char* value) {
        RegistryStore store("JKV", "Zolt", "1.0", w.Roots());
        auto key = store.OpenSection("File", true);
        std::string text = "(absent)";
        if (key) {
            store.ReadString(*key, value, text);
            store.CloseSection(*key);
        }
        return text;
    }

    DocumentWorld w;
    FakeDialogs dialogs;
};

TEST_F(RememberedDirectoriesTest, OpenDirectoryIsRememberedWithinAndAcrossRuns) {
    const std::string frac = w.dir.Sub("Frac");
    WriteBytes(frac + "/a.zlt", kFile);
    {
        Run run(*this);
        dialogs.answer = frac + "/a.zlt";
        ASSERT_TRUE(run.file.OpenWithDialog(&run.store, dialogs));
        dialogs.answer.reset();  // cancel: nothing changes
        EXPECT_FALSE(run.file.OpenWithDialog(&run.store, dialogs));
    }
    EXPECT_EQ(dialogs.starts, (std::vector<std::string>{w.home, frac}));
    EXPECT_EQ(Stored("OpenFileDirectory"), frac);
    Run second(*this);
    EXPECT_FALSE(second.file.OpenWithDialog(&second.store, dialogs));
    EXPECT_EQ(dialogs.starts.back(), frac);
}

TEST_F(RememberedDirectoriesTest, FirstSaveOfARunGoesWhereTheFileWasOpened) {
    const std::string frac = w.dir.Sub("Frac");
    WriteBytes(frac + "/a.zlt", kFile);
    Run run(*this);
    ASSERT_TRUE(run.file.OpenPath(&run.store, frac + "/a.zlt"));
    ASSERT_TRUE(run.file.SaveInSaveDirectory(&run.store, "b.zlt"));
    EXPECT_TRUE(std::filesystem::exists(frac + "/b.zlt"));
    EXPECT_EQ(Stored("SaveFileDirectory"), frac);
}

TEST_F(RememberedDirectoriesTest, FirstSaveAsStartsInTheStoredSaveDirectoryNotTheOpenOne) {
    const std::string frac = w.dir.Sub("Frac");
    const std::string out = w.dir.Sub("Out");
    WriteBytes(frac + "/a.zlt", kFile);
    {
        Run run(*this);
        ASSERT_TRUE(run.file.OpenPath(&run.store, frac + "/a.zlt"));
        EXPECT_FALSE(run.file.SaveWithDialog(&run.store, dialogs, "a"));  // none stored yet
        dialogs.answer = out + "/c.zlt";
        ASSERT_TRUE(run.file.SaveWithDialog(&run.store, dialogs, "a"));
        EXPECT_EQ(dialogs.initialNames, (std::vector<std::string>{"a", "a"}));
    }
    Run second(*this);
    ASSERT_TRUE(second.file.OpenPath(&second.store, frac + "/a.zlt"));
    dialogs.answer.reset();
    EXPECT_FALSE(second.file.SaveWithDialog(&second.store, dialogs, "a"));
    EXPECT_EQ(dialogs.starts, (std::vector<std::string>{w.home, w.home, out}));
}

// Paths without a usable directory: the root, a relative path and a directory too long for the
// settings.
TEST_F(RememberedDirectoriesTest, RootRelativeAndLongDirectories) {
    std::vector<std::string> written;
    const auto record = [&written](const std::filesystem::path& p, std::string_view) {
        written.push_back(p.string());
        return true;
    };
    {
        // A file in the root saves back as "/name", not "//name" (nothing is really written).
        Run run(*this);
        run.file.OpenPath(&run.store, "/no-such-file.zlt");
        run.file.SetFileWriter(record);
        w.MakeCurrent("x", 2);
        ASSERT_TRUE(run.file.SaveInSaveDirectory(&run.store, "y.zlt"));
        EXPECT_EQ(written, (std::vector<std::string>{"/y.zlt"}));
    }
    {
        // A relative path lies in the working directory.
        const std::string work = w.dir.Sub("work");
        WriteBytes(work + "/rel.zlt", kFile);
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(work);
        Run run(*this);
        const bool opened = run.file.OpenPath(&run.store, "rel.zlt");
        std::filesystem::current_path(previous);
        ASSERT_TRUE(opened);
        EXPECT_EQ(run.file.Directory(DirectoryKind::Open), work);
    }
    {
        // Too long for the settings: kept for this run, stored as the home directory.
        std::string deep = "deep";
        while (deep.size() < 300)
            deep += "/" + std::string(40, 'd');
        deep = w.dir.Sub(deep);
        WriteBytes(deep + "/a.zlt", kFile);
        Run run(*this);
        ASSERT_TRUE(run.file.OpenPath(&run.store, deep + "/a.zlt"));
        ASSERT_TRUE(run.file.SaveInSaveDirectory(&run.store, "a.zlt"));
        EXPECT_EQ(ReadBytes(deep + "/a.zlt").substr(0, 13), "Version:1.0\r\n");
        EXPECT_EQ(Stored("OpenFileDirectory"), w.home);
        EXPECT_EQ(Stored("SaveFileDirectory"), w.home);
    }
}

TEST_F(RememberedDirectoriesTest, WithoutAWritableStoreOpenPathAndSaveTouchNoFile) {
    const std::string frac = w.dir.Sub("Frac");
    WriteBytes(frac + "/a.zlt", kFile);
    w.MakeCurrent("Before", 2);
    FractalFile file(w.current, w.ui, w.home);
    EXPECT_FALSE(file.OpenPath(nullptr, frac + "/a.zlt"));
    EXPECT_EQ(w.current.Definition().Name.str(), "Before");
    EXPECT_FALSE(file.SaveInSaveDirectory(nullptr, "Before.zlt"));
    EXPECT_FALSE(std::filesystem::exists(w.home + "/Before.zlt"));
    // The dialogs go on without remembering anything in the settings.
    dialogs.answer = frac + "/a.zlt";
    EXPECT_TRUE(file.OpenWithDialog(nullptr, dialogs));
    EXPECT_EQ(file.Directory(DirectoryKind::Open), frac);
}

TEST_F(RememberedDirectoriesTest, EmptyStoredDirectoryCountsAsNone) {
    {
        RegistryStore store("JKV", "Zolt", "1.0", w.Roots());
        auto key = store.OpenSection("File", true);
        ASSERT_TRUE(key);
        store.WriteString(*key, "OpenFileDirectory", "");
        store.CloseSection(*key);
    }
    Run run(*this);
    run.file.OpenWithDialog(&run.store, dialogs);
    EXPECT_EQ(dialogs.starts, (std::vector<std::string>{w.home}));
}

}  // namespace
}  // namespace zolt

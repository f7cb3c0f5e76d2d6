#include "document/remembered_directories.h"

#include <gtest/gtest.h>

#include "settings/registry_store.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

class RememberedDirectoriesTest : public ::testing::Test {
  protected:
    // One run of the program: its own store and directories over the shared settings root.
    struct Run {
        explicit Run(const RememberedDirectoriesTest& t)
            : store("JKV", "Zolt", "1.0", t.dir.Roots()), directories(&store, t.home) {}
        RegistryStore store;
        RememberedDirectories directories;
    };

    std::string Stored(const char* value) const {
        RegistryStore store("JKV", "Zolt", "1.0", dir.Roots());
        auto key = store.OpenSection("File", true);
        std::string text = "(absent)";
        if (key) {
            store.ReadString(*key, value, text);
            store.CloseSection(*key);
        }
        return text;
    }

    test::TempDir dir;
    std::string home = dir.Sub("home");
    std::string frac = dir.Sub("Frac");
};

TEST_F(RememberedDirectoriesTest, TheOpenDirectoryIsRememberedWithinAndAcrossRuns) {
    {
        Run run(*this);
        EXPECT_EQ(run.directories.StartDirectory(DirectoryKind::Open), home);
        run.directories.Chosen(DirectoryKind::Open, frac + "/a.zlt");
        EXPECT_EQ(run.directories.StartDirectory(DirectoryKind::Open), frac);
    }
    EXPECT_EQ(Stored("OpenFileDirectory"), frac);
    EXPECT_EQ(Run(*this).directories.StartDirectory(DirectoryKind::Open), frac);
}

TEST_F(RememberedDirectoriesTest, TheFirstSaveOfARunGoesWhereTheFileWasOpened) {
    Run run(*this);
    ASSERT_TRUE(run.directories.OpenedByName(frac + "/a.zlt"));
    EXPECT_EQ(run.directories.SavePath("b.zlt"), frac + "/b.zlt");
    EXPECT_EQ(Stored("SaveFileDirectory"), frac);
}

TEST_F(RememberedDirectoriesTest, SaveAsStartsInTheStoredSaveDirectoryNotTheOpenOne) {
    const std::string out = dir.Sub("Out");
    {
        Run run(*this);
        ASSERT_TRUE(run.directories.OpenedByName(frac + "/a.zlt"));
        EXPECT_EQ(run.directories.StartDirectory(DirectoryKind::Save), home);  // none stored
        run.directories.Chosen(DirectoryKind::Save, out + "/c.zlt");
    }
    Run second(*this);
    ASSERT_TRUE(second.directories.OpenedByName(frac + "/a.zlt"));
    EXPECT_EQ(second.directories.StartDirectory(DirectoryKind::Save), out);
}

// Paths without a usable directory: the root, a relative path and a directory too long for the
// settings.
TEST_F(RememberedDirectoriesTest, RootRelativeAndLongDirectories) {
    {
        Run run(*this);
        ASSERT_TRUE(run.directories.OpenedByName("/a.zlt"));
        EXPECT_EQ(run.directories.SavePath("y.zlt"), "/y.zlt");  // not "//y.zlt"
    }
    {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(frac);
        Run run(*this);
        const bool opened = run.directories.OpenedByName("rel.zlt");
        std::filesystem::current_path(previous);
        ASSERT_TRUE(opened);
        EXPECT_EQ(run.directories.Directory(DirectoryKind::Open), frac);
    }
    {
        // Kept for this run, stored as the stand-by directory.
        const std::string deep = "/" + std::string(300, 'd');
        Run run(*this);
        ASSERT_TRUE(run.directories.OpenedByName(deep + "/a.zlt"));
        EXPECT_EQ(run.directories.SavePath("a.zlt"), deep + "/a.zlt");
        EXPECT_EQ(Stored("OpenFileDirectory"), home);
        EXPECT_EQ(Stored("SaveFileDirectory"), home);
    }
}

TEST_F(RememberedDirectoriesTest, WithoutAStoreFilesAreNotToBeTouchedButDialogsWorkOn) {
    RememberedDirectories directories(nullptr, home);
    EXPECT_FALSE(directories.OpenedByName(frac + "/a.zlt"));
    EXPECT_FALSE(directories.SavePath("a.zlt"));
    directories.Chosen(DirectoryKind::Open, frac + "/a.zlt");
    EXPECT_EQ(directories.StartDirectory(DirectoryKind::Open), frac);
}

TEST_F(RememberedDirectoriesTest, AnEmptyStoredDirectoryOrOneWithANulCountsAsNone) {
    Run run(*this);
    for (const std::string& stored : {std::string(), frac + std::string(1, '\0') + "x"}) {
        ASSERT_TRUE(run.directories.Store(DirectoryKind::Open, stored));
        EXPECT_EQ(run.directories.StartDirectory(DirectoryKind::Open), home);
    }
}

}  // namespace
}  // namespace zolt

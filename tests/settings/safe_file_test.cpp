#include "settings/safe_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

namespace fs = std::filesystem;
using test::ChildLimits;
using test::ReadBytes;
using test::RunInChild;
using test::Tree;
using test::WriteBytes;

class AtomicFileTest : public ::testing::Test {
  protected:
    fs::path Path(const std::string& name) const { return dir.Path() / name; }
    test::TempDir dir;
};

TEST_F(AtomicFileTest, ReplacesTheContentKeepingTheModeAndLeavesNoTemporaryFile) {
    WriteBytes(Path("a.zlt"), "old");
    fs::permissions(Path("a.zlt"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(Path("a.zlt"), "new\r\n"));
    EXPECT_EQ(ReadBytes(Path("a.zlt")), "new\r\n");
    EXPECT_EQ(fs::status(Path("a.zlt")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"a.zlt"}));
}

TEST_F(AtomicFileTest, WritesThroughASymbolicLink) {
    fs::create_directory(Path("real"));
    WriteBytes(Path("real/a.zlt"), "old");
    fs::create_symlink("real/a.zlt", Path("link.zlt"));
    ASSERT_TRUE(WriteFileAtomically(Path("link.zlt"), "new"));
    EXPECT_TRUE(fs::is_symlink(Path("link.zlt")));
    EXPECT_EQ(ReadBytes(Path("real/a.zlt")), "new");
}

TEST_F(AtomicFileTest, ANameAtTheLengthLimitCanBeSaved) {
    const std::string name = std::string(251, 'n') + ".zlt";
    ASSERT_TRUE(WriteFileAtomically(Path(name), "new"));
    EXPECT_EQ(ReadBytes(Path(name)), "new");
}

// However a write fails, the old file stays byte for byte and no temporary file is left.
TEST_F(AtomicFileTest, EveryFailureLeavesTheOldFileAsItWas) {
    const fs::path box = Path("box");
    const fs::path target = box / "a.zlt";
    const std::string old = "Version:1.0\r\nold content\r\n";
    const std::string large(4096, 'x');
    struct Case {
        const char* what;
        fs::perms directory;
        fs::perms file;
        ChildLimits limits;
    };
    const fs::perms rw = fs::perms::owner_read | fs::perms::owner_write;
    const fs::perms rwx = fs::perms::owner_all;
    const fs::perms rx = fs::perms::owner_read | fs::perms::owner_exec;
    const Case cases[] = {
        {"read-only file", rwx, fs::perms::owner_read, {.unprivileged = true}},
        {"read-only directory", rx, rw, {.unprivileged = true}},
        {"disk full", rwx, rw, {.fileSizeLimit = 1024}},
    };
    for (const Case& c : cases) {
        fs::remove_all(box);
        fs::create_directory(box);
        WriteBytes(target, old);
        fs::permissions(target, c.file);
        fs::permissions(box, c.directory);
        ASSERT_TRUE(test::GiveToUnprivilegedChild(box)) << c.what;
        EXPECT_TRUE(RunInChild([&] { return !WriteFileAtomically(target, large); }, c.limits))
            << c.what;
        fs::permissions(box, rwx);
        EXPECT_EQ(ReadBytes(target), old) << c.what;
        EXPECT_EQ(Tree(box), (std::vector<std::string>{"a.zlt"})) << c.what;
    }
}

TEST_F(AtomicFileTest, ADanglingLinkOrADirectoryIsNotReplaced) {
    fs::create_symlink("nowhere/a.zlt", Path("link.zlt"));
    EXPECT_FALSE(WriteFileAtomically(Path("link.zlt"), "new"));
    EXPECT_TRUE(fs::is_symlink(Path("link.zlt")));
    fs::create_directory(Path("folder"));
    EXPECT_FALSE(WriteFileAtomically(Path("folder"), "new"));
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"folder", "link.zlt"}));
}

// A save killed between its steps may leave its temporary file. The next process to save into
// the same directory removes it, and nothing that is not unmistakably such a file: its name,
// its owner, its age, its saver gone and nobody holding it open.
TEST_F(AtomicFileTest, ASaveRemovesWhatAKilledSaveLeftAndNothingElse) {
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".zolt-save-" + std::to_string(gone) + "-";
    const std::string running = ".zolt-save-" + std::to_string(::getppid()) + "-";
    std::vector<std::string> kept = {
        running + "Ab3dE6",     // its saver still runs
        dead + "Ab3dE",         // not a name of ours
        ".zolt-save-Ab3dE6gH",  // no saver named
        "zolt-save-" + std::to_string(gone) + "-Ab3dE6",
        dead + "Op3nEd",  // held open
        dead + "L1nked",  // a link
        dead + "Young1",  // written since this process started
    };
    for (const std::string& name : kept)
        if (name != dead + "L1nked")
            WriteBytes(Path(name), "partial");
    fs::create_symlink("a.zlt", Path(dead + "L1nked"));
    if (::geteuid() == 0) {  // another user's
        kept.push_back(dead + "Others");
        WriteBytes(Path(kept.back()), "partial");
        ASSERT_EQ(::chown(Path(kept.back()).c_str(), test::kUnprivilegedId, test::kUnprivilegedId),
                  0);
    }
    WriteBytes(Path(dead + "Left01"), "a whole picture");
    WriteBytes(Path(dead + "Left02"), "");
    const int open = ::open(Path(dead + "Op3nEd").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(open, 0);
    // Written an hour before this process started, all but the young one.
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.path().filename() != dead + "Young1")
            ::utimensat(AT_FDCWD, entry.path().c_str(), hourAgo, AT_SYMLINK_NOFOLLOW);

    ASSERT_TRUE(WriteFileAtomically(Path("a.zlt"), "new"));
    ::close(open);
    std::vector<std::string> left = kept;
    left.push_back("a.zlt");
    std::sort(left.begin(), left.end());
    std::vector<std::string> names;  // as they are: Tree would name the link by its target
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, left);
}

// A folder that other machines save into (the parts of a batch job): a file whose saver is not
// running here may be one being written there, and stays.
TEST_F(AtomicFileTest, AFolderWhoseLeftoversAreKeptKeepsThem) {
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string other = ".zolt-save-" + std::to_string(gone) + "-Ab3dE6";
    WriteBytes(Path(other), "a part being written");
    const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, Path(other).c_str(), hourAgo, 0);
    KeepLeftovers(dir.Path() / "");  // however the folder is spelt
    ASSERT_TRUE(WriteFileAtomically(Path("part"), "a part"));
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{other, "part"}));
}

TEST(ReadRegularFile, TellsAMissingFileFromOneThatCannotBeRead) {
    test::TempDir dir;
    std::string bytes = "stale";
    std::string reason;
    EXPECT_EQ(ReadRegularFile(dir.Path() / "none", 8, bytes, &reason), FileRead::kMissing);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(reason, "No such file or directory");

    WriteBytes(dir.Path() / "ok", "A=1\n");
    EXPECT_EQ(ReadRegularFile(dir.Path() / "ok", 4, bytes), FileRead::kOk);
    EXPECT_EQ(bytes, "A=1\n");

    WriteBytes(dir.Path() / "huge", std::string(9, '#'));
    ASSERT_EQ(::mkfifo((dir.Path() / "fifo").c_str(), 0600), 0);
    const struct {
        const char* name;
        const char* reason;
    } refused[] = {
        {"huge", "larger than 8 bytes"},
        {"fifo", "not a regular file"},  // opened without waiting for a writer
        {"", "Is a directory"},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(ReadRegularFile(dir.Path() / c.name, 8, bytes, &reason), FileRead::kFailed);
        EXPECT_EQ(bytes, "");
        EXPECT_EQ(reason, c.reason) << c.name;
    }
}

}  // namespace
}  // namespace zolt

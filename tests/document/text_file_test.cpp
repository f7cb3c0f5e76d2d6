#include "document/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::vector<std::string> Texts(const std::vector<TextLine>& lines) {
    std::vector<std::string> texts;
    for (const TextLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

TEST(SplitTextLines, LinesEndInLfOrCrLfAndEmptyOnesCount) {
    const auto lines = SplitTextLines("one\r\ntwo\n\r\n\nmid\rcr\r\r\nlast");
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{"one", "two", "", "", "mid\rcr\r", "last"}));
    for (const TextLine& line : lines)
        EXPECT_FALSE(line.cut);
}

TEST(SplitTextLines, LongLinesArriveInPiecesOf127BytesMarkedCut) {
    const auto lines = SplitTextLines(std::string(200, 'a') + "\r\n" + std::string(125, 'b') +
                                      "\r\n" + std::string(126, 'c') + "\r\n");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (TextLine{std::string(127, 'a'), true}));
    EXPECT_EQ(lines[1], (TextLine{std::string(73, 'a'), false}));
    // The longest line that reads back whole; one more and its CR LF no longer fits a piece.
    EXPECT_EQ(lines[2], (TextLine{std::string(125, 'b'), false}));
    EXPECT_EQ(lines[3], (TextLine{std::string(126, 'c'), true}));
    EXPECT_EQ(lines[4], (TextLine{"", false}));
}

TEST(ReadTextFile, RefusesWhatIsNoRegularFileOfAFewMegabytes) {
    test::TempDir dir;
    const std::string path = (dir.Path() / "in.txt").string();
    WriteBytes(path, "a\nb");
    std::string reason;
    ASSERT_TRUE(ReadTextFile(path, &reason));
    EXPECT_EQ(Texts(*ReadTextFile(path, &reason)), (std::vector<std::string>{"a", "b"}));

    ASSERT_EQ(::mkfifo((dir.Path() / "fifo").c_str(), 0600), 0);
    WriteBytes(dir.Path() / "huge", std::string(kMaxTextFileBytes + 1, '\n'));
    const struct {
        std::string path;
        const char* reason;
    } refused[] = {
        {(dir.Path() / "missing").string(), "No such file or directory"},
        {dir.Path().string(), "Is a directory"},
        {(dir.Path() / "fifo").string(), "not a regular file"},  // nobody writes: no hang
        {(dir.Path() / "huge").string(), "larger than 4194304 bytes"},
        {path + std::string(1, '\0') + "x", "not a file name"},
        {"", "not a file name"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(ReadTextFile(c.path, &reason)) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }
}

class WriteTextFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }
    test::TempDir dir;
};

TEST_F(WriteTextFileTest, WritesCrLfAfterEveryLine) {
    const std::vector<std::string> lines = {"Version", "", std::string(128, 'x'), ""};
    ASSERT_TRUE(WriteTextFile(Path("out.zlt"), lines));
    EXPECT_EQ(ReadBytes(Path("out.zlt")), "Version\r\n\r\n" + std::string(128, 'x') + "\r\n\r\n");
}

// Every failed write leaves the file as it was.
TEST_F(WriteTextFileTest, AFailedWriteLeavesTheOldFileByteForByte) {
    const std::string old = "old\r\ncontent\r\n";
    WriteBytes(Path("keep.zlt"), old);
    EXPECT_FALSE(
        WriteTextFile(Path("keep.zlt"), std::vector<std::string>{"a", std::string(129, 'x')}));
    EXPECT_EQ(ReadBytes(Path("keep.zlt")), old);

    // A full disk, imitated by a file size limit in a child process.
    ASSERT_TRUE(test::RunInChild(
        [&] { return !WriteTextFile(Path("keep.zlt"), std::vector<std::string>(100, "line")); },
        {.fileSizeLimit = 64}));
    EXPECT_EQ(ReadBytes(Path("keep.zlt")), old);
    EXPECT_EQ(test::Tree(dir.Path()), std::vector<std::string>{"keep.zlt"});

    EXPECT_FALSE(WriteTextFile(Path("no/such/dir/a.zlt"), std::vector<std::string>{"a"}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no"));
}

}  // namespace
}  // namespace zolt

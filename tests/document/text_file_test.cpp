#include "document/text_file.h"

#include <gtest/gtest.h>

#include "document_test_world.h"

namespace zolt {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Records what a pass tells it; writes the lines it is given.
class RecordingFile : public TextFile {
  public:
    using TextFile::TextFile;

    std::vector<std::string> lines;  // read, or to write
    long long stopAt = 0;
    long long refuseAt = -1;
    bool ended = false;
    std::string endText;
    long long endNumber = -1;

  protected:
    bool OnRead(TextEvent event, std::string_view text, long long number, bool& stop) override {
        if (event == TextEvent::End)
            return End(text, number);
        if (event == TextEvent::LineRead) {
            lines.emplace_back(text);
            stop = number == stopAt;
        }
        return number != refuseAt;
    }
    bool OnWrite(TextEvent event, std::string& line, long long number, bool& stop) override {
        if (event == TextEvent::End)
            return End(line, number);
        if (event == TextEvent::LineWanted) {
            EXPECT_TRUE(line.empty());
            line = lines.at(static_cast<std::size_t>(number - 1));
            stop = number == static_cast<long long>(lines.size()) || number == stopAt;
        }
        return number != refuseAt;
    }

  private:
    bool End(std::string_view text, long long number) {
        ended = true;
        endText = text;
        endNumber = number;
        return true;
    }
};

class TextFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }
    bool Read(const std::string& bytes) {
        WriteBytes(Path("in.txt"), bytes);
        return file.RunPass(PassMode::Read, PathText(Path("in.txt")));
    }

    TempDir dir;
    RecordingFile file{dir.Path().string()};
};

TEST_F(TextFileTest, ReadsLinesEndingInLfOrCrLfAndCountsEmptyOnes) {
    ASSERT_TRUE(Read("one\r\ntwo\n\r\n\nmid\rcr\r\r\nlast"));
    EXPECT_EQ(file.lines, (std::vector<std::string>{"one", "two", "", "", "mid\rcr\r", "last"}));
    EXPECT_EQ(file.endNumber, 6);
    EXPECT_EQ(file.endText, "in");
}

TEST_F(TextFileTest, LongLinesArriveInPiecesOf127Bytes) {
    ASSERT_TRUE(Read(std::string(200, 'a') + "\r\n"));
    ASSERT_EQ(file.lines.size(), 2u);
    EXPECT_EQ(file.lines[0].size(), 127u);
    EXPECT_EQ(file.lines[1].size(), 73u);
}

TEST_F(TextFileTest, StopFlagMakesTheLineTheLast) {
    file.stopAt = 3;
    ASSERT_TRUE(Read("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n"));
    EXPECT_EQ(file.lines.size(), 3u);
    EXPECT_EQ(file.endNumber, 3);
}

TEST_F(TextFileTest, RefusedLineFailsWithoutEnd) {
    file.refuseAt = 2;
    EXPECT_FALSE(Read("1\n2\n3\n"));
    EXPECT_FALSE(file.ended);
}

TEST_F(TextFileTest, UnreadablePathsFail) {
    for (const std::string& path : {std::string(), Path("missing.txt"), dir.Path().string(),
                                    Path("in.txt") + std::string(1, '\0') + "x"}) {
        WriteBytes(Path("in.txt"), "a\n");
        EXPECT_FALSE(file.RunPass(PassMode::Read, PathText(path))) << path;
    }
    EXPECT_FALSE(file.RunPass(static_cast<PassMode>(3), PathText(Path("in.txt"))));
    EXPECT_FALSE(file.ended);
}

TEST_F(TextFileTest, WritesCrLfIncludingTheStopLine) {
    file.lines = {"Version", "", std::string(128, 'x'), ""};
    ASSERT_TRUE(file.RunPass(PassMode::Write, PathText(Path("out.a.zlt"))));
    EXPECT_EQ(ReadBytes(Path("out.a.zlt")), "Version\r\n\r\n" + std::string(128, 'x') + "\r\n\r\n");
    EXPECT_EQ(file.endNumber, 4);
    EXPECT_EQ(file.endText, "out.a");
}

// Every failure of a write pass leaves the file as it was.
TEST_F(TextFileTest, FailedWriteLeavesTheOldFileByteForByte) {
    const std::string old = "old\r\ncontent\r\n";
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        long long refuseAt;
        bool diskFull;
    };
    const Case cases[] = {
        {"refused at Begin", {"a", "b"}, 0, false},
        {"refused at the first line", {"a", "b"}, 1, false},
        {"refused later", {"a", "b", "c"}, 3, false},
        {"line over 128 characters", {"a", std::string(129, 'x'), "c"}, -1, false},
        {"disk full", {"a", "b"}, -1, true},
    };
    for (const Case& c : cases) {
        WriteBytes(Path("keep.zlt"), old);
        RecordingFile writer(dir.Path().string());
        writer.lines = c.lines;
        writer.refuseAt = c.refuseAt;
        if (c.diskFull)
            writer.SetFileWriter(
                [](const std::filesystem::path&, std::string_view) { return false; });
        EXPECT_FALSE(writer.RunPass(PassMode::Write, PathText(Path("keep.zlt")))) << c.what;
        EXPECT_EQ(ReadBytes(Path("keep.zlt")), old) << c.what;
        EXPECT_FALSE(writer.ended) << c.what;
    }
}

TEST_F(TextFileTest, WriteIntoMissingDirectoryFailsAndCreatesNothing) {
    file.lines = {"a"};
    EXPECT_FALSE(file.RunPass(PassMode::Write, PathText(Path("no/such/dir/a.zlt"))));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no"));
    EXPECT_FALSE(file.ended);
}

}  // namespace
}  // namespace zolt

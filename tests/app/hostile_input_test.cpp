// Files and options made to hurt: each is refused at once for its own reason, or read as it
// should be, by the loader (under a memory limit) and by zolt-render (its exit status and its
// one line on stderr), from one table.

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "document/fractal_file.h"
#include "engine/deep_engine.h"
#include "engine/deep_view.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// A PNG chunk; its length and checksum are the right ones unless given.
std::string Chunk(const std::string& type, const std::string& data,
                  std::optional<std::uint32_t> length = {}, std::uint32_t crcFlip = 0) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return BigEndian(length.value_or(static_cast<std::uint32_t>(data.size()))) + body +
           BigEndian(crc ^ crcFlip);
}

std::string Packed(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
    out.resize(size);
    return out;
}

const std::string kSignature = "\x89PNG\r\n\x1a\n";
const std::string kHeader =
    Chunk("IHDR", BigEndian(1) + BigEndian(1) + std::string("\x08\x02\0\0\0", 5));
const std::string kPixels = Chunk("IDAT", Packed(std::string(4, '\0'))) + Chunk("IEND", "");

// A picture of one pixel with the chunks given before its pixels.
std::string Picture(const std::string& chunks) {
    return kSignature + kHeader + chunks + kPixels;
}

std::string Zlt(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The home view with a palette of none (it is built afresh), then `more` lines.
std::vector<std::string> Header(const std::string& pstart = "-2.5",
                                const std::string& pfinish = "1.25",
                                const std::string& iterations = "250") {
    return {"Version:1.0", pstart, pfinish, "-1.5", iterations, "200.000000", "0", "2", "0", ""};
}

std::vector<std::string> With(std::vector<std::string> lines,
                              const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

const std::string kFractal = Zlt(Header());
// A deep block whose check line is line 2 and whose corners are lines 2 to 4.
const std::vector<std::string> kDeep =
    With(Header("-0.75", "-0.75"), {"", "ZoltDeep:1", "-0.75", "Pstart", "-0.75", "Pfinish",
                                    "-0.7499999999999999999999", "Qstart", "-1.5"});

struct Case {
    const char* file;  // written with `bytes`; none: the options alone
    std::string bytes;
    std::vector<std::string> options;
    int status;        // zolt-render's
    std::string said;  // its line on stderr, after "zolt-render: "; loads when empty
};

std::vector<Case> Cases() {
    std::string manyTexts;
    for (int i = 0; i < 1001; ++i)
        manyTexts += Chunk("tEXt", std::string("Comment\0hello", 13));
    std::string packedComments;
    const std::string packedComment =
        Chunk("zTXt", std::string("Comment\0\0", 9) + Packed(std::string(kMaxTextFileBytes, 'a')));
    for (int i = 0; i < 200; ++i)
        packedComments += packedComment;
    const std::string zolt("Zolt\0", 5);
    const std::string longDigits = "-0.75" + std::string(kMaxDecimalText, '1');
    const std::string damaged = "the picture is damaged ";
    std::vector<std::string> cutDeep(kDeep.begin(), kDeep.end() - 3);
    return {
        // 165 bytes that say a text of 2 GiB follows.
        {"huge.png",
         kSignature + kHeader + BigEndian(0x7fffffff) + "tEXt" + zolt + std::string(120, 'x'),
         {},
         1,
         "cannot load 'huge.png': " + damaged + "(tEXt: chunk data is too large)"},
        {"bomb.png",
         Picture(Chunk("zTXt", zolt + '\0' + Packed(std::string(64 << 20, 'a')))),
         {},
         1,
         "cannot load 'bomb.png': the fractal in it is larger than 4194304 bytes"},
        {"comments.png", Picture(packedComments + Chunk("tEXt", zolt + kFractal)), {}, 0, ""},
        {"late.png", Picture(manyTexts + Chunk("tEXt", zolt + kFractal)), {}, 0, ""},
        {"international.png",
         Picture(Chunk("iTXt", zolt + std::string("\1\0en\0\0", 6) + Packed(kFractal))),
         {},
         0,
         ""},
        {"checksum.png",
         Picture(Chunk("tEXt", zolt + kFractal, {}, 1)),
         {},
         1,
         "cannot load 'checksum.png': " + damaged + "(tEXt: CRC error)"},
        {"garbled.png",
         Picture(Chunk("zTXt", zolt + '\0' + "not zlib")),
         {},
         1,
         "cannot load 'garbled.png': the fractal in it is damaged"},
        {"cut.png",
         kSignature + kHeader.substr(0, 20),
         {},
         1,
         "cannot load 'cut.png': " + damaged + "(the file ends early)"},
        {"none.png",
         Picture(Chunk("tEXt", std::string("Comment\0hello", 13))),
         {},
         1,
         "cannot load 'none.png': the picture holds no fractal"},
        {"line2.zlt",
         Zlt({"Version:1.0", "x"}),
         {},
         1,
         "cannot load 'line2.zlt': line 2 is not valid"},
        {"none.zlt",
         Zlt(Header("-2.5", "1.25", "0")),
         {},
         1,
         "cannot load 'none.zlt': line 5 is not valid"},
        {"negative.zlt",
         Zlt(Header("-2.5", "1.25", "-5")),
         {},
         1,
         "cannot load 'negative.zlt': line 5 is not valid"},
        {"flat.zlt",
         Zlt(Header("-2.5", "-2.5")),
         {},
         1,
         "cannot render the view: the view has no width"},
        {"deep.zlt", Zlt(kDeep), {}, 0, ""},
        {"digits.zlt",
         Zlt(With({kDeep.begin(), kDeep.end() - 5}, {"-0.7x", "Pfinish", "1", "Qstart", "1"})),
         {},
         1,
         "cannot load 'digits.zlt': line 15 is not valid"},
        {"short.zlt", Zlt(cutDeep), {}, 1, "cannot load 'short.zlt': line 17 is missing"},
        // Line 2 edited by hand: the block is not the view's, whatever it holds.
        {"edited.zlt",
         Zlt(With(Header("-0.75", "-0.7499999999999"), {"", "ZoltDeep:1", "-0.7", "x"})),
         {},
         0,
         ""},
        {"iterations.zlt",
         Zlt(With(Header("-0.75", "-0.75", "33554431"), {kDeep.begin() + 10, kDeep.end()})),
         {},
         1,
         "cannot render the view: deep views take at most 33554430 iterations"},
        {nullptr, "", {"--pstart", longDigits, "--pfinish", "-0.74"}, 0, ""},
        {nullptr,
         "",
         {"--pstart", longDigits, "--pfinish", longDigits + "2"},
         1,
         "cannot render the view: coordinates longer than 20000 digits"},
        {nullptr,
         "",
         {"--pstart", "0.5", "--pfinish", "0.5"},
         1,
         "cannot render the view: the view has no width"},
        {nullptr,
         "",
         {"--pstart", "0.5", "--pfinish", "0.5000000000000001", "--iterations", "33554431"},
         1,
         "cannot render the view: deep views take at most 33554430 iterations"},
    };
}

// The address space the process has now.
rlim_t AddressSpace() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

class HostileInputTest : public ::testing::Test {
  protected:
    std::string Write(const Case& c) {
        if (c.file == nullptr)
            return {};
        const std::string path = (dir.Path() / c.file).string();
        test::WriteBytes(path, c.bytes);
        return path;
    }
    test::TempDir dir;
};

// Whatever a file holds, reading it takes no more than its fractal may have (4 MiB) and a little
// room, and it is quick: a picture whose text claims 2 GiB is not read into memory first.
TEST_F(HostileInputTest, TheLoaderTellsWhyInBoundedMemoryAndTime) {
    for (const Case& c : Cases()) {
        const std::string path = Write(c);
        if (path.empty())
            continue;
        const std::string prefix = "cannot load '" + std::string(c.file) + "': ";
        const bool loads = !c.said.starts_with(prefix);
        const std::string reason = loads ? std::string() : c.said.substr(prefix.size());
        const auto body = [&] {
            const auto start = std::chrono::steady_clock::now();
            const FractalLoad load = LoadFractalFile(path, {64, 48}, 256);
            const bool quick = std::chrono::steady_clock::now() - start < std::chrono::seconds(2);
            EXPECT_TRUE(quick) << c.file;
            EXPECT_EQ(load.content.has_value(), loads) << c.file;
            EXPECT_EQ(load.reason, reason) << c.file;
            return quick && load.content.has_value() == loads && load.reason == reason;
        };
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // A sanitizer's allocator reserves more address space than any limit would leave.
        EXPECT_TRUE(body());
#else
        EXPECT_TRUE(test::RunInChild(body, {.memoryLimit = AddressSpace() + (64u << 20)}))
            << c.file;
#endif
    }
}

// zolt-render says the same in one line, with exit status 1, and writes no picture.
TEST_F(HostileInputTest, ZoltRenderTellsWhyAndWritesNothing) {
    const char* render = std::getenv("ZOLT_RENDER");
    ASSERT_NE(render, nullptr);
    for (const Case& c : Cases()) {
        // Run in the files' directory, so that it names them as they are given.
        std::string command =
            "cd '" + dir.Path().string() + "' && " + render + " --threads 1 --width 64 --height 48";
        const std::string path = Write(c);
        if (c.file != nullptr)
            command += " " + std::string(c.file);
        for (const std::string& option : c.options)
            command += " '" + option + "'";
        const std::filesystem::path picture = dir.Path() / "out.png";
        command += " -o out.png 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string said;
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            said.append(buffer, got);
        const int status = ::pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), c.status) << command.substr(0, 200);
        EXPECT_EQ(said, c.said.empty() ? std::string() : "zolt-render: " + c.said + "\n")
            << command.substr(0, 200);
        EXPECT_EQ(std::filesystem::exists(picture), c.status == 0) << command.substr(0, 200);
        std::filesystem::remove(picture);
        if (!path.empty())
            std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace zolt

// Files and options made to hurt: each is refused at once for its own reason, or read as it
// should be, by the loader (under a memory limit) and by zolt-render (its exit status and its
// one line on stderr), from one table.

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    std::string unread;      // why the loader refuses the file; empty when it reads it
    std::string undrawable;  // why its view cannot be drawn; empty when it can
};

std::vector<Case> Cases() {
    std::string texts, packedTexts;
    for (int i = 0; i < 1001; ++i)
        texts += Chunk("tEXt", std::string("Comment\0hello", 13));
    const std::string packedText =
        Chunk("zTXt", std::string("Comment\0\0", 9) + Packed(std::string(kMaxTextFileBytes, 'a')));
    for (int i = 0; i < 200; ++i)
        packedTexts += packedText;
    const std::string zolt("Zolt\0", 5);
    const std::string digits = "-0.75" + std::string(kMaxDecimalText, '1');
    const std::string damaged = "the picture is damaged ";
    const std::string larger = "the fractal in it is larger than 4194304 bytes";
    const std::string garbled = "the fractal in it is damaged";
    const std::string flat = "the view has no width";
    const std::string many = "deep views take at most 33554430 iterations";
    const std::vector<std::string> cutShort(kDeep.begin(), kDeep.end() - 3);
    const std::vector<std::string> badDigits =
        With({kDeep.begin(), kDeep.end() - 5}, {"-0.7x", "Pfinish", "1", "Qstart", "1"});
    // clang-format off
    return {
        // 165 bytes that say a text of 2 GiB follows.
        {"huge.png", kSignature + kHeader + BigEndian(0x7fffffff) + "tEXt" + zolt + std::string(120, 'x'),
         {}, damaged + "(tEXt: chunk data is too large)", ""},
        {"bomb.png", Picture(Chunk("zTXt", zolt + '\0' + Packed(std::string(64 << 20, 'a')))), {}, larger, ""},
        {"packed.png", Picture(packedTexts + Chunk("tEXt", zolt + kFractal)), {}, "", ""},
        {"late.png", Picture(texts + Chunk("tEXt", zolt + kFractal)), {}, "", ""},
        {"itxt.png", Picture(Chunk("iTXt", zolt + std::string("\1\0en\0\0", 6) + Packed(kFractal))), {}, "", ""},
        {"unended.png", Picture(Chunk("iTXt", zolt + std::string("\0\0en", 4))), {}, garbled, ""},
        {"garbled.png", Picture(Chunk("zTXt", zolt + '\0' + "not zlib")), {}, garbled, ""},
        {"checksum.png", Picture(Chunk("tEXt", zolt + kFractal, {}, 1)), {}, damaged + "(tEXt: CRC error)", ""},
        {"cut.png", kSignature + kHeader.substr(0, 20), {}, damaged + "(the file ends early)", ""},
        {"none.png", Picture(Chunk("tEXt", std::string("Comment\0hello", 13))), {},
         "the picture holds no fractal", ""},
        {"line2.zlt", Zlt({"Version:1.0", "x"}), {}, "line 2 is not valid", ""},
        {"zero.zlt", Zlt(Header("-2.5", "1.25", "0")), {}, "line 5 is not valid", ""},
        {"flat.zlt", Zlt(Header("-2.5", "-2.5")), {}, "", flat},
        {"deep.zlt", Zlt(kDeep), {}, "", ""},
        {"digits.zlt", Zlt(badDigits), {}, "line 15 is not valid", ""},
        {"short.zlt", Zlt(cutShort), {}, "line 17 is missing", ""},
        // Line 2 edited by hand: the block is not the view's, whatever it holds.
        {"edited.zlt", Zlt(With(Header("-0.75", "-0.7499999999999"), {"", "ZoltDeep:1", "-0.7", "x"})),
         {}, "", ""},
        {"many.zlt", Zlt(With(Header("-0.75", "-0.75", "33554431"), {kDeep.begin() + 10, kDeep.end()})),
         {}, "", many},
        {nullptr, "", {"--pstart", digits, "--pfinish", "-0.74"}, "", ""},
        {nullptr, "", {"--pstart", digits, "--pfinish", digits + "2"}, "",
         "coordinates longer than 20000 digits"},
        {nullptr, "", {"--pstart", "0.5", "--pfinish", "0.5"}, "", flat},
        {nullptr, "", {"--pstart", "0.5", "--pfinish", "0.5000000000000001", "--iterations", "33554431"},
         "", many},
    };
    // clang-format on
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
        const bool loads = c.unread.empty();
        const auto body = [&] {
            const auto start = std::chrono::steady_clock::now();
            const FractalLoad load = LoadFractalFile(path, {64, 48}, 256);
            const bool quick = std::chrono::steady_clock::now() - start < std::chrono::seconds(2);
            EXPECT_TRUE(quick) << c.file;
            EXPECT_EQ(load.content.has_value(), loads) << c.file;
            EXPECT_EQ(load.reason, c.unread) << c.file;
            return quick && load.content.has_value() == loads && load.reason == c.unread;
        };
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // A sanitizer's allocator reserves more address space than any limit would leave.
        EXPECT_TRUE(body());
#else
        EXPECT_TRUE(test::RunInChild(body, {.memoryLimit = test::UsedAddressSpace() + (64u << 20)}))
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
        std::string expected;
        if (!c.unread.empty())
            expected = "zolt-render: cannot load '" + std::string(c.file) + "': " + c.unread + "\n";
        else if (!c.undrawable.empty())
            expected = "zolt-render: cannot render the view: " + c.undrawable + "\n";
        EXPECT_EQ(said, expected) << command.substr(0, 200);
        EXPECT_EQ(WEXITSTATUS(status), expected.empty() ? 0 : 1) << command.substr(0, 200);
        EXPECT_EQ(std::filesystem::exists(picture), expected.empty()) << command.substr(0, 200);
        std::filesystem::remove(picture);
        if (!path.empty())
            std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace zolt

#include "settings/key_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "support/temp_dir.h"

namespace zolt {
namespace {

using namespace std::string_literals;
using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(EscapeKeyText, LeavesReadableTextAloneAndEscapesWhatWouldBeLost) {
    struct Case {
        std::string text;
        bool isName;
        std::string written;
    };
    const Case cases[] = {
        {"/home/ann/My Fractals", false, "/home/ann/My Fractals"},
        {"a=b", false, "a=b"},
        {"a=b", true, "a\\x3Db"},
        {"#x", true, "\\x23x"},
        {"x#", true, "x#"},
        {"#x", false, "#x"},
        {" both ", false, "\\x20both\\x20"},
        {" ", true, "\\x20"},
        {"C:\\Frac", false, "C:\\\\Frac"},
        {"two\nlines\r", false, "two\\nlines\\r"},
        {"tab\there", false, "tab\\there"},
        {"nul\0end"s, false, "nul\\x00end"},
        {"\x7f\x1b", false, "\\x7F\\x1B"},
        {"Zürich", false, "Zürich"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeKeyText(c.text, c.isName), c.written) << c.text;
}

TEST(KeyFile, EveryNameAndValueComesBackByteForByte) {
    std::vector<std::string> texts = {
        "",       " ",    "  lead",         "trail  ", "=",
        "a=b=c",  "\n",   "\r\n",           "\\",      "\\\\",
        "\\x41",  "\\n",  "# comment",      "#",       "a\0b"s,
        "\0"s,    "\t",   "\v\f",           "\xff",    "\xC3",
        "Zürich", "東京", "line\nline\r\n",
    };
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every += static_cast<char>(byte);
    texts.push_back(every);
    std::mt19937 random(20240501);
    for (int i = 0; i < 500; ++i) {
        std::string text(random() % 24, '\0');
        for (char& c : text)
            c = static_cast<char>(random());
        texts.push_back(text);
    }
    KeyFile file;
    for (std::size_t i = 0; i < texts.size(); ++i)
        file.Set(texts[i], texts[texts.size() - 1 - i]);
    EXPECT_EQ(ParseKeyFile(FormatKeyFile(file)).entries, file.entries);
}

TEST(ParseKeyFile, TakesWhatAPersonTypedAndIgnoresLinesItCannotRead) {
    struct Case {
        std::string bytes;
        Entries entries;
    };
    const Case cases[] = {
        {"A=1\nB=2\n", {{"A", "1"}, {"B", "2"}}},
        {"  Initial Resolution =\t16 \r\n", {{"Initial Resolution", "16"}}},
        {"A=x=y\n=\n", {{"A", "x=y"}, {"", ""}}},
        {"A=1\nB=2\nA=3\n", {{"A", "3"}, {"B", "2"}}},
        // A hand edit without the last line feed.
        {"A=1\nInitialResolution=16", {{"A", "1"}, {"InitialResolution", "16"}}},
        {"# A=1\n\n \t \nNoEquals\nA=\\q\nB=\\x4\nC=\\xZZ\nD=end\\\n\\=1\n", {}},
        {"\0\xff\x01\x02junk\n\x80=\x81\n"s, {{"\x80", "\x81"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseKeyFile(c.bytes).entries, c.entries) << c.bytes;
}

}  // namespace
}  // namespace zolt

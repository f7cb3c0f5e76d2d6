#include "settings/registry_store.h"

#include <gtest/gtest.h>

#include <climits>

#include "settings/key_file.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class RegistryStoreTest : public ::testing::Test {
  protected:
    fs::path SectionFile(const std::string& name) const {
        return dir.Path() / "user" / "JKV" / "Zolt" / (name + ".conf");
    }

    test::TempDir dir;
    RegistryStore store{"JKV", "Zolt", "1.0", dir.Roots()};
};

TEST_F(RegistryStoreTest, IntegersAreReadOnlyWhenTheWholeTextIsADecimalInteger) {
    struct Case {
        std::string text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"7", 7},
        {" 7", 7},
        {"\t\n 7", 7},
        {"+7", 7},
        {"-7", -7},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"12x", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"7 ", std::nullopt},
        {"+-7", std::nullopt},
        {"-+7", std::nullopt},
        {"- 7", std::nullopt},
        {"+", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"0x10", std::nullopt},
        {"7.0", std::nullopt},
        {"7\0"s, std::nullopt},
        {"seven", std::nullopt},
    };
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteString(*key, "Value", c.text));
        int out = -12345;
        EXPECT_EQ(store.ReadInteger(*key, "Value", out), c.value.has_value()) << '"' << c.text;
        EXPECT_EQ(out, c.value.value_or(-12345)) << '"' << c.text;
    }
}

TEST_F(RegistryStoreTest, BooleansAreTrueOnlyForOneAndNotReadFromWords) {
    struct Case {
        std::string text;
        std::optional<bool> value;
    };
    const Case cases[] = {
        {"1", true},          {" +01", true},        {"0", false},           {"2", false},
        {"-1", false},        {"yes", std::nullopt}, {"true", std::nullopt}, {"", std::nullopt},
        {"1x", std::nullopt},
    };
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteString(*key, "Flag", c.text));
        for (const bool before : {false, true}) {
            bool out = before;
            EXPECT_EQ(store.ReadBoolean(*key, "Flag", out), c.value.has_value()) << c.text;
            EXPECT_EQ(out, c.value.value_or(before)) << c.text;
        }
    }
}

TEST_F(RegistryStoreTest, AValueOf256BytesOrMoreIsAbsentAndIsNotWritten) {
    auto key = store.OpenSection("File", true);
    ASSERT_TRUE(key);
    const std::string longest(255, 'a');
    ASSERT_TRUE(store.WriteString(*key, "Dir", longest));
    EXPECT_FALSE(store.WriteString(*key, "Dir", std::string(256, 'b')));
    std::string out;
    EXPECT_TRUE(store.ReadString(*key, "Dir", out));
    EXPECT_EQ(out, longest);

    // Edited by hand past the limit; an escape counts as the one byte it stands for.
    std::string escaped;
    for (int i = 0; i < 255; ++i)
        escaped += "\\n";
    test::WriteBytes(SectionFile("File"),
                     "Long=" + std::string(256, 'c') + "\nZeros=" + std::string(255, '0') +
                         "7\nEscaped=" + escaped + "\nNine=" + std::string(254, '0') + "9\n");
    out = "kept";
    int number = -1;
    EXPECT_FALSE(store.ReadString(*key, "Long", out));
    EXPECT_FALSE(store.ValueExists(*key, "Long"));
    EXPECT_FALSE(store.ReadInteger(*key, "Zeros", number));
    EXPECT_EQ(out, "kept");
    EXPECT_TRUE(store.ReadInteger(*key, "Nine", number));
    EXPECT_EQ(number, 9);
    EXPECT_TRUE(store.ReadString(*key, "Escaped", out));
    EXPECT_EQ(out, std::string(255, '\n'));
}

TEST_F(RegistryStoreTest, AMissingSectionIsCreatedEmptyOnlyWhenAskedAndAMissingValueIsAbsent) {
    EXPECT_FALSE(store.OpenSection("File", false));
    EXPECT_FALSE(fs::exists(SectionFile("File")));

    auto key = store.OpenSection("File", true);
    ASSERT_TRUE(key);
    EXPECT_EQ(test::ReadBytes(SectionFile("File")), "");
    std::string text = "kept";
    int number = 3;
    bool flag = true;
    EXPECT_FALSE(store.ValueExists(*key, "OpenFileDirectory"));
    EXPECT_FALSE(store.ReadString(*key, "OpenFileDirectory", text));
    EXPECT_FALSE(store.ReadInteger(*key, "OpenFileDirectory", number));
    EXPECT_FALSE(store.ReadBoolean(*key, "OpenFileDirectory", flag));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(number, 3);
    EXPECT_TRUE(flag);

    // Opening an existing section again, with or without create, keeps its values.
    ASSERT_TRUE(store.WriteString(*key, "OpenFileDirectory", "/tmp"));
    EXPECT_TRUE(store.OpenSection("File", true));
    EXPECT_TRUE(store.OpenSection("File", false));
    EXPECT_TRUE(store.ValueExists(*key, "OpenFileDirectory"));
}

TEST_F(RegistryStoreTest, StringsComeBackByteForByteWhateverTheOtherValuesHold) {
    const std::vector<std::string> texts = {
        "",           "  two  blanks  ", "=",      "Name=value", "line\nline\n", "cr\r",
        "C:\\Frac\\", "\\x41\\n",        "Zürich", "a\0b"s,      "# hash",       "\x01\x7f\xff",
    };
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(store.WriteString(*key, " name " + texts[i], texts[i]));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string out = "stale";
        EXPECT_TRUE(store.ReadString(*key, " name " + texts[i], out));
        EXPECT_EQ(out, texts[i]);
    }
}

TEST_F(RegistryStoreTest, NumbersAreDecimalTextInAFileAPersonCanReadAndEdit) {
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(store.WriteInteger(*key, "InitialResolution", 8));
    ASSERT_TRUE(store.WriteInteger(*key, "Lowest", INT_MIN));
    ASSERT_TRUE(store.WriteBoolean(*key, "On", true));
    ASSERT_TRUE(store.WriteBoolean(*key, "Off", false));
    ASSERT_TRUE(store.WriteString(*key, "Dir", "/home/ann/My Fractals"));
    ASSERT_TRUE(store.WriteInteger(*key, "InitialResolution", 16));
    const std::string bytes = test::ReadBytes(SectionFile("Defaults"));
    EXPECT_EQ(bytes.front(), '#');
    EXPECT_NE(bytes.find("\nInitialResolution=16\nLowest=-2147483648\nOn=1\nOff=0\n"
                         "Dir=/home/ann/My Fractals\n"),
              std::string::npos)
        << bytes;

    test::WriteBytes(SectionFile("Defaults"), "InitialResolution = 4\r\n");
    int number = 0;
    EXPECT_TRUE(store.ReadInteger(*key, "InitialResolution", number));
    EXPECT_EQ(number, 4);
}

TEST_F(RegistryStoreTest, ACorruptFileReadsAsAbsentAndAWriteKeepsItsReadableValues) {
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    // The last line lacks its line feed: a person's edit, which counts and is kept.
    test::WriteBytes(SectionFile("Defaults"),
                     "Good=1\n\x01\xff\0 junk\nBad=\\q\nNoEquals\nEdited=2"s);
    EXPECT_TRUE(store.ValueExists(*key, "Good"));
    EXPECT_FALSE(store.ValueExists(*key, "Bad"));
    EXPECT_TRUE(store.ValueExists(*key, "Edited"));

    ASSERT_TRUE(store.WriteInteger(*key, "New", 5));
    EXPECT_EQ(ParseKeyFile(test::ReadBytes(SectionFile("Defaults"))).entries,
              (std::vector<std::pair<std::string, std::string>>{
                  {"Good", "1"}, {"Edited", "2"}, {"New", "5"}}));
}

TEST_F(RegistryStoreTest, AKeyThatCannotBeReadIsNeitherReadNorReplaced) {
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    const std::string huge = "A=1\n" + std::string(kMaxKeyFileBytes, '#');
    test::WriteBytes(SectionFile("Defaults"), huge);
    EXPECT_FALSE(store.ValueExists(*key, "A"));
    EXPECT_FALSE(store.WriteString(*key, "A", "2"));
    EXPECT_EQ(test::ReadBytes(SectionFile("Defaults")), huge);

    // A directory where the key's file belongs.
    fs::remove(SectionFile("Defaults"));
    fs::create_directory(SectionFile("Defaults"));
    EXPECT_FALSE(store.ValueExists(*key, "A"));
    EXPECT_FALSE(store.WriteString(*key, "A", "2"));
    EXPECT_FALSE(store.OpenSection("Defaults", true));
    EXPECT_FALSE(store.OpenSection("Defaults", false));
}

TEST_F(RegistryStoreTest, AWriteThatWouldGrowTheFilePastWhatIsReadIsRefused) {
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(store.WriteString(*key, "Kept", "1"));
    EXPECT_FALSE(store.WriteString(*key, std::string(kMaxKeyFileBytes, 'n'), "1"));
    EXPECT_TRUE(store.ValueExists(*key, "Kept"));
}

TEST_F(RegistryStoreTest, WritesLeaveNoTemporaryFiles) {
    auto defaults = store.OpenSection("Defaults", true);
    auto file = store.OpenSection("File", true);
    ASSERT_TRUE(defaults && file);
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(store.WriteInteger(*defaults, "Value" + std::to_string(i % 7), i));
        ASSERT_TRUE(store.WriteString(*file, "OpenFileDirectory", "/dir/" + std::to_string(i)));
    }
    EXPECT_EQ(test::Tree(dir.Path() / "user"),
              (std::vector<std::string>{"JKV", "JKV/Zolt", "JKV/Zolt/Defaults.conf",
                                        "JKV/Zolt/File.conf"}));
}

TEST_F(RegistryStoreTest, AClosedKeyReadsAndWritesNothing) {
    auto key = store.OpenSection("Defaults", true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(store.WriteString(*key, "A", "1"));
    EXPECT_TRUE(store.CloseSection(*key));
    EXPECT_FALSE(store.CloseSection(*key));
    EXPECT_FALSE(store.ValueExists(*key, "A"));
    EXPECT_FALSE(store.WriteString(*key, "A", "2"));
}

TEST_F(RegistryStoreTest, ANameThatIsNotOnePathComponentOpensNothing) {
    const auto before = test::Tree(dir.Path());
    for (const std::string& name : {""s, "."s, ".."s, "../../Escape"s, "a/b"s, "a\\b"s, "a\0b"s})
        EXPECT_FALSE(store.OpenSection(name, true)) << name;
    EXPECT_EQ(test::Tree(dir.Path()), before);

    for (const auto& [maker, product, version] :
         {std::tuple{"..", "Zolt", "1.0"}, {"JKV", "a/b", "1.0"}, {"JKV", "Zolt", ""}}) {
        test::TempDir other;
        RegistryStore bad(maker, product, version, other.Roots());
        EXPECT_FALSE(bad.Ready());
        EXPECT_FALSE(bad.OpenSection("Defaults", true));
        EXPECT_EQ(test::Tree(other.Path()), std::vector<std::string>{});
    }
}

TEST_F(RegistryStoreTest, AKeyFileKeptAsALinkStaysALink) {
    const fs::path shared = dir.Path() / "shared.conf";
    test::WriteBytes(shared, "");
    fs::create_directories(SectionFile("File").parent_path());
    fs::create_symlink(shared, SectionFile("File"));
    auto key = store.OpenSection("File", false);
    ASSERT_TRUE(key);
    ASSERT_TRUE(store.WriteString(*key, "OpenFileDirectory", "/tmp"));
    EXPECT_TRUE(fs::is_symlink(SectionFile("File")));
    EXPECT_NE(test::ReadBytes(shared).find("OpenFileDirectory=/tmp\n"), std::string::npos);
}

}  // namespace
}  // namespace zolt

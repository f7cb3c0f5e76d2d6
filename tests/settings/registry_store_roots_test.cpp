#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "settings/key_file.h"
#include "settings/registry_store.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

namespace fs = std::filesystem;

fs::path StampFile(const test::TempDir& dir) {
    return dir.Path() / "machine" / "JKV" / "Zolt" / "1.0.conf";
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d/%d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    return text;
}

TEST(FirstRunStamp, IsTheLocalDateAsDayMonthYearWithoutLeadingZeros) {
    test::TempDir dir;
    const std::string before = Today();
    RegistryStore store("JKV", "Zolt", "1.0", dir.Roots());
    const std::string after = Today();
    const KeyFile stamp = ParseKeyFile(test::ReadBytes(StampFile(dir)));
    ASSERT_EQ(stamp.entries.size(), 1u);
    const std::string* date = stamp.Find("Installation");
    ASSERT_NE(date, nullptr);
    EXPECT_TRUE(*date == before || *date == after) << *date;
    EXPECT_EQ(std::count(date->begin(), date->end(), '/'), 2);
    EXPECT_NE(date->front(), '0');
    EXPECT_EQ(date->find("/0"), std::string::npos) << *date;
    // The user's side holds no section until one is opened.
    EXPECT_EQ(test::Tree(dir.Path() / "user"), std::vector<std::string>{});
}

TEST(FirstRunStamp, ALaterRunKeepsAReadableStampAndReplacesAnUnreadableOne) {
    struct Case {
        std::string stored;
        bool kept;
    };
    const Case cases[] = {
        {"Installation=5/3/2005\n", true},
        {"Installation=\n", true},
        {"Installation=" + std::string(256, '9') + "\n", false},
        {"Installation=5/3/\\q\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        { RegistryStore first("JKV", "Zolt", "1.0", dir.Roots()); }
        test::WriteBytes(StampFile(dir), c.stored);
        RegistryStore second("JKV", "Zolt", "1.0", dir.Roots());
        if (c.kept) {
            EXPECT_EQ(test::ReadBytes(StampFile(dir)), c.stored);
        } else {
            const KeyFile stamp = ParseKeyFile(test::ReadBytes(StampFile(dir)));
            ASSERT_NE(stamp.Find("Installation"), nullptr) << c.stored;
            EXPECT_NE(stamp.Find("Installation")->find('/'), std::string::npos);
        }
    }
}

TEST(FirstRunStamp, AMachineRootThatCannotBeWrittenLeavesTheUserSectionsWorking) {
    // Running as root ignores permissions, so the machine root lies below a regular file.
    test::TempDir dir;
    test::WriteBytes(dir.Path() / "file", "");
    RegistryStore store("JKV", "Zolt", "1.0", {dir.Path() / "file" / "etc", dir.Path() / "user"});
    EXPECT_TRUE(store.Ready());
    for (const char* section : {"Defaults", "File"}) {
        auto key = store.OpenSection(section, true);
        ASSERT_TRUE(key) << section;
        ASSERT_TRUE(store.WriteInteger(*key, "Value", 7));
        int value = 0;
        EXPECT_TRUE(store.ReadInteger(*key, "Value", value));
        EXPECT_EQ(value, 7);
        EXPECT_TRUE(store.CloseSection(*key));
    }
}

TEST(RegistryStoreRoots, WithoutAUserRootTheSectionsFailRatherThanUseTheWorkingDirectory) {
    test::TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    RegistryStore store("JKV", "Zolt", "1.0", {dir.Path() / "machine", {}});
    EXPECT_FALSE(store.OpenSection("Defaults", true));
    fs::current_path(previous);
    EXPECT_FALSE(fs::exists(dir.Path() / "JKV"));
}

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryStoreRoots, DefaultRootsFollowTheEnvironment) {
    struct Case {
        const char* settingsRoot;
        const char* configHome;
        const char* home;
        fs::path machine;
        fs::path user;
    };
    const Case cases[] = {
        {"/s", "/x", "/h", "/s/machine", "/s/user"},
        {nullptr, "/x", "/h", "/etc/xdg", "/x"},
        {"", "", "/h", "/etc/xdg", "/h/.config"},
        {nullptr, "relative", "/h", "/etc/xdg", "/h/.config"},
        {nullptr, nullptr, nullptr, "/etc/xdg", ""},
    };
    for (const auto& c : cases) {
        ScopedEnv settingsRoot("ZOLT_SETTINGS_ROOT", c.settingsRoot);
        ScopedEnv configHome("XDG_CONFIG_HOME", c.configHome);
        ScopedEnv home("HOME", c.home);
        const auto roots = RegistryStore::DefaultRoots();
        EXPECT_EQ(roots.machine, c.machine);
        EXPECT_EQ(roots.user, c.user);
    }
}

}  // namespace
}  // namespace zolt

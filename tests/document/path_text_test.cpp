#include "document/path_text.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(PathText, DirectoryAndBaseName) {
    struct Case {
        const char* path;
        const char* directory;  // nullptr: none
        const char* base;
    };
    const Case cases[] = {
        {"/home/u/my.fractal.zlt", "/home/u", "my.fractal"},
        {"/home/u/.zlt", "/home/u", ".zlt"},
        {"/x.zlt", "/", "x"},
        {"x.zlt", nullptr, "x"},
        {"name", nullptr, "name"},
        {"dir/sub/Big.Spiral.zlt", "dir/sub", "Big.Spiral"},
        {"/a.b/c", "/a.b", "c"},
        {"/a/", "/a", ""},
    };
    for (const Case& c : cases) {
        const PathText path(c.path);
        const auto directory = path.Directory();
        if (c.directory == nullptr)
            EXPECT_FALSE(directory) << c.path;
        else
            EXPECT_EQ(directory.value_or("(none)"), c.directory) << c.path;
        EXPECT_EQ(path.BaseName(), c.base) << c.path;
    }
}

TEST(JoinPath, PutsOneSeparatorBetween) {
    EXPECT_EQ(JoinPath("/home/u", "a.zlt"), "/home/u/a.zlt");
    EXPECT_EQ(JoinPath("/", "a.zlt"), "/a.zlt");
    EXPECT_EQ(JoinPath("", "a.zlt"), "a.zlt");
}

}  // namespace
}  // namespace zolt

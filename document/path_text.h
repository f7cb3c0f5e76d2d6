#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zolt {

// A file path and the parts the file layer needs of it. '/' separates the parts.
class PathText {
  public:
    explicit PathText(std::string_view path) : path_(path) {}

    const std::string& Text() const { return path_; }
    bool Empty() const { return path_.empty(); }

    // The text before the last '/'. A path with no '/' has no directory. A '/' in the first
    // position stands for the root, so "/x.zlt" is in the directory "/".
    std::optional<std::string> Directory() const;

    // The text after the last '/', cut before its last point unless that point is its first
    // character: "/a/my.fractal.zlt" gives "my.fractal", "/a/.zlt" gives ".zlt".
    std::string BaseName() const;

  private:
    std::string path_;
};

// `name` inside `directory`, with one '/' between them: the root gives "/name", no directory
// (an empty text) gives the name alone.
std::string JoinPath(std::string_view directory, std::string_view name);

// The directory used where none is known: the user's home directory ($HOME, else the password
// database, else "/").
std::string HomeDirectory();

}  // namespace zolt

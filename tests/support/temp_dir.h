#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry_store.h"

namespace zolt::test {

// A fresh directory of its own below the system's temporary directory, removed with its content.
class TempDir {
  public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "zolt-test-XXXXXX").string();
        if (::mkdtemp(name.data()) != nullptr)
            path_ = name;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A directory below this one, created on the way.
    std::string Sub(const std::string& relative) const {
        std::filesystem::create_directories(path_ / relative);
        return (path_ / relative).string();
    }
    // Settings roots of their own, below this directory.
    RegistryStore::Roots Roots() const { return {path_ / "machine", path_ / "user"}; }

  private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// Every entry below `dir`, as paths relative to it, sorted.
inline std::vector<std::string> Tree(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, error))
        names.push_back(std::filesystem::relative(entry.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zolt::test

#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "settings/registry_store.h"

namespace zolt::test {

// A settings root of its own below the system's temporary directory, removed afterwards.
class SettingsDir {
  public:
    SettingsDir() {
        std::string name = (std::filesystem::temp_directory_path() / "zolt-dlg-XXXXXX").string();
        if (::mkdtemp(name.data()) != nullptr)
            path_ = name;
    }
    ~SettingsDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SettingsDir(const SettingsDir&) = delete;
    SettingsDir& operator=(const SettingsDir&) = delete;

    RegistryStore::Roots Roots() const { return {path_ / "machine", path_ / "user"}; }

  private:
    std::filesystem::path path_;
};

}  // namespace zolt::test

#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "commands/file_dialogs.h"
#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "document/navigation_history.h"
#include "settings/registry_store.h"
#include "surface/headless_surface.h"

namespace zolt::test {

// A fresh directory below the system's temporary directory, removed with its content.
class TempDir {
  public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "zolt-doc-XXXXXX").string();
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

  private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Answers the file dialogs with prepared paths and records where they started.
class FakeDialogs : public FileDialogs {
  public:
    std::optional<std::string> answer;  // nothing = cancel
    std::vector<std::string> starts;
    std::vector<std::string> initialNames;

    std::optional<std::string> AskOpen(const std::string& start) override {
        starts.push_back(start);
        return answer;
    }
    std::optional<std::string> AskSave(const std::string& start, const std::string& name) override {
        starts.push_back(start);
        initialNames.push_back(name);
        return answer;
    }
};

// The objects a load or save touches, on a 760 x 620 view of 256 colours, with a home directory
// and a settings root of their own.
struct DocumentWorld {
    TempDir dir;
    std::string home = dir.Sub("home");
    HeadlessSurface ui{{760, 620}, 256};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
    FractalFile file{current, ui, home};

    RegistryStore::Roots Roots() const { return {dir.Path() / "machine", dir.Path() / "user"}; }

    // Makes a definition with the home view and a built palette of `colours` entries current.
    void MakeCurrent(const std::string& name, int colours = 256, bool untitled = false) {
        Appearance appearance;
        appearance.Colours = colours;
        BuildPalette(colours, appearance.Palette);
        current.SetCurrent(name, HomeView(ui.ViewClientSize()), appearance, false, untitled);
    }
};

}  // namespace zolt::test

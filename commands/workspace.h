#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "document/remembered_directories.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"

namespace zolt {

class FileDialogs;
class RegistryStore;
class UiSurface;

// One explorer at work: the current fractal with the views generated from it, the generator
// that computes it, the settings that shape every generation and the directories that fractal
// files come from and go to; and the document commands, each of which changes the document and
// then readies the generator.
//
// The objects are public: the shell, the dialogs, zolt-render and the tests work on them
// directly. They are made in the order they are declared in and go in reverse, so the generator,
// which reads all the others, is gone before any of them.
class Workspace {
  public:
    // Without a store nothing is kept across runs. `wake` is the generator's: called from its
    // worker, it asks the user-interface thread to deliver what the worker posted.
    Workspace(UiSurface& ui, RegistryStore* store, std::function<void()> wake = {});
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // File > Open: asks for a file in the remembered open directory and loads it. Cancel fails
    // quietly; a file that does not load is named in the reader's own message ("Unknown
    // format.") where there is one, else "Failed to open file." followed by why ("Line 2 is
    // not valid."). A file whose view could not be drawn is not opened, and says why.
    bool Open(FileDialogs& dialogs);
    // The file named on the command line, as Open opens the file chosen.
    bool OpenNamed(std::string_view path);
    // File > Save: writes into the save directory under the definition's own name, without a
    // dialog, when the definition was last loaded or saved; an untitled one goes through
    // Save As. "Failed to save file." when the write fails; the old file is then unchanged.
    bool Save(FileDialogs& dialogs);
    // File > Save As: asks for a file name, starting from the definition's name, and writes
    // the file there; "Failed to save file." when it cannot be written.
    bool SaveAs(FileDialogs& dialogs);

    // Navigation > Home: the home view, keeping the name and the appearance.
    void Home();
    // Navigation > Back and Forward through the recorded views. Nothing with an empty history.
    void Back() { Step(-1); }
    void Forward() { Step(+1); }

    UiSurface& ui;
    RegistryStore* const store;
    GenerationDefaults defaults;
    NavigationHistory history;
    CurrentFractal current;
    Generator generator;
    RememberedDirectories directories;

  private:
    // Makes the file at `path` current; false (nothing changed, and the user told why) when it
    // cannot be.
    bool Load(const std::string& path);
    // Writes the current definition to `path`, which then names it.
    bool Write(const std::string& path);
    void Step(int direction);
};

// The program's arguments after its name, joined with single blanks: one file name, used as it
// stands (no splitting at blanks, no quote removal). Empty when there are none.
std::string JoinCommandLine(std::span<const char* const> arguments);

}  // namespace zolt

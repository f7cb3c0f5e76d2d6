#pragma once

#include <QPointer>
#include <memory>
#include <span>
#include <string>

#include "commands/movie_export.h"
#include "commands/picture_export.h"
#include "dialogs/movie_dialog.h"

#include "settings/registry_store.h"
#include "shell/qt_surface.h"
#include "shell/thread_wake.h"

namespace zolt {

class AboutDialog;
struct DefaultValues;
class ExportProgress;
class MovieProgressDialog;
class FractalView;
class MainWindow;
class QtFileDialogs;
class Workspace;
class ZoomSelection;

// The desktop program from start-up to exit: it creates the window and the workspace in order,
// carries out every command (RunCommand is the one dispatch of the program: the command table
// says which id a menu item, key or button has, RunCommand what the id does), and tears
// everything down once.
class ZoltApplication final {
  public:
    explicit ZoltApplication(RegistryStore::Roots roots = RegistryStore::DefaultRoots());
    ~ZoltApplication();
    ZoltApplication(const ZoltApplication&) = delete;
    ZoltApplication& operator=(const ZoltApplication&) = delete;

    // Creates the main window, the settings store, the workspace (with the generation defaults
    // loaded from the store), the toolbar and the status bar as the defaults say, the view and
    // the dialogs, then sets the commands the program starts with.
    bool InitInstance();
    void ShowMainWindow();
    // Opens the file the program's arguments name, when there are any.
    void OpenCommandLine(std::span<const char* const> arguments);

    // Carries out command `id` (1 to kLastCommand) as its menu item, key or button does. A disabled
    // command, an id outside the table and any command after exit do nothing.
    void RunCommand(int id);

    // Exit and closing the window: stops and joins a running generation, empties the history,
    // releases the definition, destroys the objects and ends the event loop with code 0.
    // Runs once; later calls do nothing.
    void QuitApplication();
    int QuitCount() const { return quitCount_; }

    // None before start-up and after exit.
    MainWindow* GetMainWindow() const { return window_.get(); }
    RegistryStore* GetSettingsStore() const { return store_.get(); }
    Workspace* GetWorkspace() const { return workspace_.get(); }
    FractalView* GetView() const;
    QtSurface& Surface() { return surface_; }

    void DestroyAppObjects();

  private:
    void ApplyInitialCommandState();
    // Flips a setting shown by a checked command, shows it and saves it; gives the new value.
    bool ToggleSetting(bool DefaultValues::*setting, int id);
    void ToggleToolbar();
    void ToggleStatusbar();
    void SetPriority(int priority);
    // Help > Contact: hands the address to the desktop, and says so where nothing takes it.
    void OpenContact(int command);
    // File > Export Image: asks for a size and a file, then writes the picture in the background.
    void ExportImage();
    void ExportEnded(const PictureExport::Outcome& outcome);
    // File > Export Zoom Movie: asks about the movie, then makes it in the background.
    void ExportMovie();
    void MovieEnded(const MovieOutcome& outcome);
    void DeliverWorkerCalls();
    void Teardown();

    RegistryStore::Roots roots_;
    QtSurface surface_;
    std::unique_ptr<MainWindow> window_;  // outlives everything below it
    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<ZoomSelection> selection_;
    std::unique_ptr<QtFileDialogs> fileDialogs_;
    std::unique_ptr<AboutDialog> about_;
    std::unique_ptr<PictureExport> export_;
    QPointer<ExportProgress> exportProgress_;
    // Where the colouring dialog's gradient files were last read or written, for this run: a
    // collection of gradients is seldom where the fractal files are.
    std::string gradientDirectory_;
    std::unique_ptr<MovieExport> movie_;
    QPointer<MovieProgressDialog> movieProgress_;
    std::optional<MovieChoice> lastMovie_;  // the answers given last, asked with again
    // Brings the generation thread's calls to this thread. Teardown joins that thread before
    // any member goes.
    ThreadWake workerWake_{[this] { DeliverWorkerCalls(); }};
    bool quitting_ = false;
    int quitCount_ = 0;
};

}  // namespace zolt

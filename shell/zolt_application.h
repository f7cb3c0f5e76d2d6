#pragma once

#include <memory>
#include <optional>
#include <span>

#include "commands/app_context.h"
#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "settings/registry_store.h"
#include "shell/command_hooks.h"
#include "shell/qt_surface.h"
#include "shell/shell_operations.h"
#include "shell/thread_wake.h"

namespace zolt {

class FractalView;
class GenerationDefaults;
class Generator;
class MainWindow;
class ZoomSelection;

// The desktop program's objects from start-up to exit: it creates them in order, routes every
// command to the part of the program that carries it out, and tears them down once.
class ZoltApplication final : public ShellOperations {
  public:
    explicit ZoltApplication(RegistryStore::Roots roots = RegistryStore::DefaultRoots());
    ~ZoltApplication() override;
    ZoltApplication(const ZoltApplication&) = delete;
    ZoltApplication& operator=(const ZoltApplication&) = delete;

    // Creates the main window, the settings store, the generation defaults, the generator, the
    // toolbar and the status bar (shown as the defaults say) and the view, then sets the
    // commands the program starts with.
    bool InitInstance();
    void ShowMainWindow();
    // Hands the program's arguments to the command-line hook, when there are any.
    void OpenCommandLine(std::span<const char* const> arguments);

    // Runs command `id` as the menu, its key or its button would.
    void RunCommand(int id);

    // None before start-up and after exit.
    MainWindow* GetMainWindow() const { return window_.get(); }
    RegistryStore* GetSettingsStore() const { return store_.get(); }
    GenerationDefaults* GetGenerationDefaults() const { return defaults_.get(); }
    Generator* GetGenerator() const { return generator_.get(); }
    FractalView* GetView() const;
    AppContext* Context() { return context_ ? &*context_ : nullptr; }

    QtSurface& Surface() { return surface_; }
    CurrentFractal& Current() { return current_; }
    NavigationHistory& History() { return history_; }
    CommandHooks& Hooks() { return hooks_; }

    void ToggleToolbar() override;
    void ToggleStatusbar() override;
    void SetPriority(int priority) override;
    void OpenContact(bool mail, bool web) override;
    // Exit and closing the window: stops and joins a running generation, empties the history,
    // releases the definition, destroys the objects and ends the event loop with code 0.
    // Runs once; later calls do nothing.
    void QuitApplication() override;
    int QuitCount() const { return quitCount_; }

    void DestroyAppObjects();

  private:
    void ApplyInitialCommandState();
    void DeliverWorkerCalls();
    void Teardown();

    RegistryStore::Roots roots_;
    QtSurface surface_;
    NavigationHistory history_{surface_};
    CurrentFractal current_{surface_, history_};
    CommandHooks hooks_;
    std::unique_ptr<MainWindow> window_;  // outlives everything below it
    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<GenerationDefaults> defaults_;
    std::unique_ptr<Generator> generator_;
    std::unique_ptr<ZoomSelection> selection_;
    std::optional<AppContext> context_;
    // Brings the generation thread's calls to this thread. Teardown joins that thread before
    // any member goes.
    ThreadWake workerWake_{[this] { DeliverWorkerCalls(); }};
    bool quitting_ = false;
    int quitCount_ = 0;
};

}  // namespace zolt

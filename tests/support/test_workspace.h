#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "commands/file_dialogs.h"
#include "commands/workspace.h"
#include "support/temp_dir.h"
#include "surface/headless_surface.h"

namespace zolt {

// A recording surface that can hold the generation thread at its n-th image copy, so a test
// can act (Stop, Skip, Shutdown) at an exact point of a generation from the test thread.
class GatedSurface : public HeadlessSurface {
  public:
    using HeadlessSurface::HeadlessSurface;

    void PresentImage() override {
        HeadlessSurface::PresentImage();
        std::unique_lock lock(mutex_);
        const int n = ++presents_;
        if (onPresent_)
            onPresent_(n);
        if (n != holdAt_)
            return;
        held_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return released_; });
    }

    // Holds the worker at its n-th copy until Release.
    void HoldAt(int n) {
        std::lock_guard lock(mutex_);
        holdAt_ = n;
        held_ = false;
        released_ = false;
    }
    bool WaitHeld(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }
    // Called on the generation thread at every copy, with the copy's number.
    void OnPresent(std::function<void(int)> callback) {
        std::lock_guard lock(mutex_);
        onPresent_ = std::move(callback);
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int presents_ = 0;
    int holdAt_ = -1;
    bool held_ = false;
    bool released_ = true;
    std::function<void(int)> onPresent_;
};

// A workspace without a screen: a recording surface over a view of the given size, a home
// directory of its own that stands in for unknown directories, and no settings store unless a
// test opens one over `dir`. Automatic generation is off unless a test turns it on.
class TestWorkspace {
  public:
    // With `keepSettings` the workspace keeps its settings in a store below `dir`.
    explicit TestWorkspace(ViewSize view = {760, 620}, int colours = 256, bool keepSettings = false)
        : ui(view, colours), work(ui, keepSettings ? &store : nullptr, loop.WakeFunction()) {
        work.defaults.values.AutoGenerate = false;
        work.directories = RememberedDirectories(work.store, home);
    }
    ~TestWorkspace() {
        ui.Release();
        work.generator.Shutdown();
    }
    TestWorkspace(const TestWorkspace&) = delete;
    TestWorkspace& operator=(const TestWorkspace&) = delete;

    // Makes a definition of the home view current, as New would, with a palette of `colours`.
    bool DefineHome(const std::string& name = "Fractal", int colours = 256, int iterations = 250,
                    bool untitled = true) {
        Appearance appearance;
        if (!BuildPalette(colours, appearance.Palette))
            return false;
        appearance.Colours = colours;
        GenerationSnapshot numbers = HomeView(ui.ViewClientSize());
        numbers.Iterations = iterations;
        return work.current.SetCurrent(name, numbers, appearance, {.untitled = untitled});
    }

    // Zooms the current definition to a new view, as a drag does.
    void Zoom(double pstart, double pfinish, double qstart) {
        GenerationSnapshot numbers = NumbersOf(work.current.Definition());
        numbers.Pstart = pstart;
        numbers.Pfinish = pfinish;
        numbers.Qstart = qstart;
        numbers.Qfinish = DeriveQfinish(pstart, pfinish, qstart, ui.ViewClientSize());
        work.current.SetNumbers(numbers);
        work.generator.Ready({});
    }

    // Zooms to a view given by its exact corners; false when they are not decimal text.
    bool ZoomExact(const std::string& pstart, const std::string& pfinish,
                   const std::string& qstart) {
        GenerationSnapshot numbers = NumbersOf(work.current.Definition());
        if (!SetExactCorners(numbers, {pstart, pfinish, qstart}, ui.ViewClientSize()))
            return false;
        work.current.SetNumbers(numbers);
        work.generator.Ready({});
        return true;
    }

    // Delivers the worker's calls until the generation has ended.
    bool WaitIdle(int timeoutMs = 20000) {
        return loop.RunUntil([this] { return work.generator.DeliverWorkerCalls(); },
                             [this] { return !work.generator.IsRunning(); }, timeoutMs);
    }

    test::TempDir dir;
    std::string home = dir.Sub("home");
    RegistryStore store{"JKV", "Zolt", "1.0", dir.Roots()};
    GatedSurface ui;
    HeadlessEventLoop loop;
    Workspace work;
};

// Answers the file dialogs with a prepared path (none: cancel) and records how they were asked.
class FakeDialogs : public FileDialogs {
  public:
    std::optional<std::string> answer;
    std::vector<std::string> starts;
    std::vector<std::string> initialNames;
    std::vector<SavedKind> kinds;

    std::optional<std::string> AskOpen(const std::string& start, OpenedKind) override {
        starts.push_back(start);
        return answer;
    }
    std::optional<std::string> AskSave(const std::string& start, const std::string& name,
                                       SavedKind kind) override {
        starts.push_back(start);
        initialNames.push_back(name);
        kinds.push_back(kind);
        return answer;
    }
};

}  // namespace zolt

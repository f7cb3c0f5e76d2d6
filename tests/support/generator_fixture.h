#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
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

// The program-wide objects of a generation, without a screen.
class GeneratorFixture : public ::testing::Test {
  protected:
    explicit GeneratorFixture(ViewSize view = {64, 50})
        : ui(view),
          history(ui),
          current(ui, history),
          defaults(ui, nullptr),
          generator(ui, current, history, defaults, loop.WakeFunction()) {
        defaults.values.AutoGenerate = false;
    }
    ~GeneratorFixture() override {
        ui.Release();
        generator.Shutdown();
    }

    // Makes a definition of the home view current, as New would.
    void DefineHome(int iterations = 250, int colours = 256) {
        Appearance appearance;
        ASSERT_TRUE(BuildPalette(colours, appearance.Palette));
        appearance.Colours = colours;
        GenerationSnapshot numbers = HomeView(ui.ViewClientSize());
        numbers.Iterations = iterations;
        ASSERT_TRUE(current.SetCurrent("Fractal", numbers, appearance, false, true));
    }

    void Zoom(double pstart, double pfinish, double qstart) {
        GenerationSnapshot numbers = NumbersOf(current.Definition());
        numbers.Pstart = pstart;
        numbers.Pfinish = pfinish;
        numbers.Qstart = qstart;
        numbers.Qfinish = DeriveQfinish(pstart, pfinish, qstart, ui.ViewClientSize());
        current.SetNumbers(numbers);
        generator.Ready(false, false, false, false);
    }

    // Delivers the worker's calls until the generation has ended.
    bool WaitIdle(int timeoutMs = 20000) {
        return loop.RunUntil([this] { return generator.DeliverWorkerCalls(); },
                             [this] { return !generator.IsRunning(); }, timeoutMs);
    }

    GatedSurface ui;
    NavigationHistory history;
    CurrentFractal current;
    GenerationDefaults defaults;
    HeadlessEventLoop loop;
    Generator generator;
};

}  // namespace zolt

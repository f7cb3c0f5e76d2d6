#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "surface/ui_surface.h"

namespace zolt {

// The user-interface surface without a screen, for the tests and the benchmarks: it remembers
// what it was told (pane texts, title, messages, the command mask) and has a view of a fixed
// size and colour count.
class HeadlessSurface : public UiSurface {
  public:
    struct StatusChange {
        int pane;
        std::string text;
        bool operator==(const StatusChange&) const = default;
    };

    explicit HeadlessSurface(ViewSize view = {760, 620}, int colourCount = 256)
        : view_(view), colourCount_(colourCount) {}

    void SetStatusText(int pane, const std::string& text) override;
    void SetTitle(const std::string& text) override { title_ = text; }
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }
    ViewSize ViewClientSize() const override;
    int ViewColourCount() const override { return colourCount_; }
    void PresentImage() override { ++presents_; }
    void InvalidateView() override { ++invalidations_; }

    void SetViewSize(ViewSize view);

    const std::string& StatusText(int pane) const { return panes_.at(pane - 1); }
    const std::vector<StatusChange>& StatusHistory() const { return history_; }
    void ClearStatusHistory() { history_.clear(); }
    const std::string& Title() const { return title_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    int Presents() const { return presents_; }
    int Invalidations() const { return invalidations_; }

  private:
    mutable std::mutex viewMutex_;
    ViewSize view_;
    int colourCount_;
    std::array<std::string, 3> panes_;
    std::vector<StatusChange> history_;
    std::string title_ = "Zolt";
    std::vector<std::string> messages_;
    std::atomic<int> presents_{0};
    int invalidations_ = 0;
};

// Stands in for the user-interface thread's event loop: the generator's wake function wakes
// it, and Run delivers the worker's calls on the calling thread until a condition holds.
class HeadlessEventLoop {
  public:
    std::function<void()> WakeFunction() {
        return [this] {
            {
                std::lock_guard lock(mutex_);
                woken_ = true;
            }
            cv_.notify_one();
        };
    }

    // Delivers with `deliver` until `done` holds; false when it did not within the timeout.
    bool RunUntil(const std::function<int()>& deliver, const std::function<bool()>& done,
                  int timeoutMs = 20000);

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;
};

}  // namespace zolt

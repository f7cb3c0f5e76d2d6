#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace zolt {

// A piece of work on a thread of its own, as the exports run theirs: one at a time, cancelled
// through a flag the work looks at, and joined before anything it uses goes. Its owner declares
// it after everything the work reads, so that it is joined first.
class BackgroundTask {
  public:
    BackgroundTask() = default;
    ~BackgroundTask();  // cancels work that still runs, and waits for it
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Whether work was started and not joined yet.
    bool Started() const { return worker_.joinable(); }
    // Runs `work` on a new thread, the cancel flag cleared. False, with `error`, when no thread
    // could be started; the work then never runs.
    bool Start(std::function<void()> work, std::string& error);
    void Cancel() { cancel_ = true; }
    const std::atomic<bool>& CancelFlag() const { return cancel_; }
    bool Cancelled() const { return cancel_.load(); }
    // Whether the work has ended (true before any was started).
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Waits for the work to end.
    void Join();

  private:
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{true};
    std::thread worker_;
};

}  // namespace zolt

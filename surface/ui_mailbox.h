#pragma once

#include <deque>
#include <functional>
#include <mutex>

namespace zolt {

// Carries calls from the generation thread to the user-interface thread, in the order made.
// Post never waits for the user-interface thread, so a thread that joins the worker can
// never deadlock with it; the wake function only asks for a later Deliver and must not block.
class UiMailbox {
  public:
    using Call = std::function<void()>;

    explicit UiMailbox(std::function<void()> wake = {}) : wake_(std::move(wake)) {}

    // Any thread. Dropped once the mailbox is closed.
    void Post(Call call);

    // User-interface thread: runs every call posted so far, oldest first. Calls posted while
    // it runs are delivered too. Returns the number of calls run.
    int Deliver();

    // User-interface thread: drops what is pending and refuses later posts (program exit).
    void Close();

  private:
    std::mutex mutex_;
    std::deque<Call> pending_;
    const std::function<void()> wake_;
    bool closed_ = false;
};

}  // namespace zolt

#pragma once

#include <QObject>
#include <atomic>
#include <functional>

class QSocketNotifier;

namespace zolt {

// Lets any thread ask the user-interface thread to run a function soon.
//
// A request is a write to an eventfd that a socket notifier on the user-interface thread
// watches: the requesting thread touches no Qt object, never allocates and never waits, and
// requests made before the function runs are merged into one run. Because the hand-over is a
// plain file descriptor, ThreadSanitizer sees it as the synchronisation it is, which it
// cannot do for Qt's own posted-event queue.
//
// Create and destroy it on the user-interface thread; no other thread may call Request once
// the destructor has begun.
class ThreadWake final {
  public:
    explicit ThreadWake(std::function<void()> onWake);
    ~ThreadWake();
    ThreadWake(const ThreadWake&) = delete;
    ThreadWake& operator=(const ThreadWake&) = delete;

    // Any thread.
    void Request();

  private:
    void Run();

    std::function<void()> onWake_;
    std::atomic<bool> pending_{false};
    int fd_ = -1;
    // Receives the notifier's signal, or the queued call when no eventfd could be made.
    QObject receiver_;
    QSocketNotifier* notifier_ = nullptr;  // owned by receiver_
};

}  // namespace zolt

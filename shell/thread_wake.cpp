#include "shell/thread_wake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace zolt {

ThreadWake::ThreadWake(std::function<void()> onWake)
    : onWake_(std::move(onWake)), fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0)
        return;  // out of descriptors: requests fall back to a queued call
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, &receiver_);
    QObject::connect(notifier_, &QSocketNotifier::activated, &receiver_, [this] { Run(); });
}

ThreadWake::~ThreadWake() {
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void ThreadWake::Request() {
    if (pending_.exchange(true, std::memory_order_acq_rel))
        return;  // a run is on its way and will see whatever prompted this request
    if (fd_ < 0) {
        QMetaObject::invokeMethod(
            &receiver_, [this] { Run(); }, Qt::QueuedConnection);
        return;
    }
    const std::uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ThreadWake::Run() {
    if (fd_ >= 0) {
        std::uint64_t count = 0;
        while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    // Cleared before the function runs, so a request made while it runs gets a run of its own.
    pending_.store(false, std::memory_order_release);
    if (onWake_)
        onWake_();
}

}  // namespace zolt

#include "surface/ui_mailbox.h"

#include <utility>

namespace zolt {

void UiMailbox::SetWake(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void UiMailbox::Post(Call call) {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
        pending_.push_back(std::move(call));
        wake = wake_;
    }
    if (wake)
        wake();
}

int UiMailbox::Deliver() {
    int delivered = 0;
    for (;;) {
        Call call;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty())
                return delivered;
            call = std::move(pending_.front());
            pending_.pop_front();
        }
        call();
        ++delivered;
    }
}

void UiMailbox::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.clear();
}

}  // namespace zolt

#include "surface/ui_mailbox.h"

#include <utility>

namespace zolt {

void UiMailbox::Post(Call call) {
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
        pending_.push_back(std::move(call));
    }
    // Outside the lock: the wake may run Deliver at once, on a thread that posts too.
    if (wake_)
        wake_();
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

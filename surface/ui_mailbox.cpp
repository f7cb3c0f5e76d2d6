#include "surface/ui_mailbox.h"

#include <utility>

namespace zolt {

void UiMailbox::Post(Call call) {
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
        first = pending_.empty();
        pending_.push_back(std::move(call));
    }
    // Only a call that finds nothing pending asks for a Deliver: one behind others is run by
    // the Deliver already asked for, which takes calls until none is left. The generation posts
    // a status text every few rows, and a wake each would keep the user-interface thread
    // taking the cores from the passes. Outside the lock: the wake may run Deliver at once, on a
    // thread that posts too.
    if (first && wake_)
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

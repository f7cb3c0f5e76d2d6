#include "surface/headless_surface.h"

#include <chrono>

namespace zolt {

void HeadlessSurface::SetStatusText(int pane, const std::string& text) {
    if (pane < 1 || pane > 3)
        return;
    panes_[static_cast<std::size_t>(pane - 1)] = text;
    history_.push_back({pane, text});
}

ViewSize HeadlessSurface::ViewClientSize() const {
    std::lock_guard lock(viewMutex_);
    return view_;
}

void HeadlessSurface::SetViewSize(ViewSize view) {
    std::lock_guard lock(viewMutex_);
    view_ = view;
}

bool HeadlessEventLoop::RunUntil(const std::function<int()>& deliver,
                                 const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        deliver();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        if (!cv_.wait_until(lock, deadline, [this] { return woken_; }))
            return false;
        woken_ = false;
    }
}

}  // namespace zolt

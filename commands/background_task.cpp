#include "commands/background_task.h"

#include <system_error>

namespace zolt {

BackgroundTask::~BackgroundTask() {
    Cancel();
    Join();
}

bool BackgroundTask::Start(std::function<void()> work, std::string& error) {
    cancel_ = false;
    done_ = false;
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            work();
            done_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& failure) {
        error = failure.what();
        done_ = true;
        return false;
    }
    return true;
}

void BackgroundTask::Join() {
    if (worker_.joinable())
        worker_.join();
}

}  // namespace zolt

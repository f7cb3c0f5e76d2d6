#include "generation/worker_threads.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "settings/number_text.h"

namespace zolt {

int WorkerThreadCount() {
    constexpr int kMostThreads = 256;
    if (const char* text = std::getenv("ZOLT_THREADS"); text != nullptr) {
        if (const auto count = ParseInteger(text, 1, kMostThreads))
            return static_cast<int>(*count);
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<int>(std::min<unsigned>(hardware, kMostThreads));
}

ThreadPriority PriorityFor(int generatePriority) {
    switch (generatePriority) {
        case 1:
            return {true, true, 0};
        case 2:
            return {true, false, 10};
        case 3:
            return {true, false, 5};
        case 4:
            return {true, false, 0};
        case 5:
            return {true, false, -5};
        case 6:
            return {true, false, -10};
        case 7:
            return {true, false, -15};
        default:
            return {};
    }
}

bool ApplyThreadPriority(int generatePriority) {
    const ThreadPriority priority = PriorityFor(generatePriority);
    if (!priority.change)
        return true;
    if (priority.idle) {
        sched_param param{};
        param.sched_priority = 0;
        return sched_setscheduler(0, SCHED_IDLE, &param) == 0;
    }
    // On Linux the nice value belongs to the thread when addressed by its thread id. The step is
    // taken from the main thread's value, not the caller's: a thread started by one that has
    // already stepped inherits its value, and must not step again.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (base == -1 && errno != 0)
        return false;
    return setpriority(PRIO_PROCESS, tid, base + priority.niceDelta) == 0;
}

}  // namespace zolt

#pragma once

namespace zolt {

// The threads of a generation: how many compute it, and at what priority.

// Threads that compute a generation, the generation thread included: ZOLT_THREADS when it holds
// a whole number from 1 to 256, otherwise one per hardware thread (at least 1).
int WorkerThreadCount();

// How a GeneratePriority of 1 (Lowest) to 7 (Highest) maps to Linux scheduling of the calling
// thread. The threads of a generation are new for every generation and inherit the
// user-interface thread's scheduling, so the rest of the program is never touched, and ending
// them restores everything:
//
//   GeneratePriority  menu item  policy       nice (relative to the process)
//   1                 Lowest     SCHED_IDLE   -
//   2                 Lower      SCHED_OTHER  +10
//   3                 Low        SCHED_OTHER  +5
//   4                 Normal     SCHED_OTHER  0
//   5                 High       SCHED_OTHER  -5
//   6                 Higher     SCHED_OTHER  -10
//   7                 Highest    SCHED_OTHER  -15
//   anything else     -          unchanged
//
// Raising the priority above the process's needs CAP_SYS_NICE (or RLIMIT_NICE); without it the
// request fails silently and the generation runs at the inherited priority.
struct ThreadPriority {
    bool change = false;
    bool idle = false;
    int niceDelta = 0;
};

ThreadPriority PriorityFor(int generatePriority);

// Applies the mapping to the calling thread, relative to the process's main thread, so that
// applying it again, or in a thread started by one that did, changes nothing more; false when
// the system refused (nothing changed).
bool ApplyThreadPriority(int generatePriority);

}  // namespace zolt

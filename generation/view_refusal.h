#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/fractal_def.h"

namespace zolt {

// The memory the machine can give the program now without swapping: the kernel's estimate of
// available memory (or, from a kernel without one, its free memory and caches), and no more
// than a limit on the process's address space, or the memory limits of its control groups (a
// container's, a Slurm job's), leave. The largest value when none of it can be read, so that
// nothing is refused for want of knowing.
std::uint64_t AvailableMemory();

// What the memory limits of the control groups the process is in still leave it: the least, over
// its group and every one above it, of the limit less the memory in use without the inactive
// file cache, which the kernel reclaims first (memory.max and memory.current in the unified
// hierarchy, memory.limit_in_bytes and memory.usage_in_bytes under `memory` in version 1).
// `selfCgroup` is /proc/self/cgroup, `root` where the hierarchies are mounted. The largest value
// where no limit is set or nothing can be read.
std::uint64_t CgroupMemoryLeft(const std::filesystem::path& selfCgroup,
                               const std::filesystem::path& root);

// Why a view cannot be drawn at `width` x `height`, in a few words ("deep views take at most
// 33554430 iterations"); empty when it can. The generation, Export Image and zolt-render all
// ask this before they begin (the window on every zoom, so it must be cheap). A deep view's
// reference must fit in the memory `freeBytes` gives, asked only of a deep view, since finding it
// reads several system files; a view deeper than any engine reaches is not refused (it is drawn
// in doubles, and says so when finished).
std::string ViewRefusal(const GenerationSnapshot& numbers, int width, int height,
                        const std::function<std::uint64_t()>& freeBytes);

// The same reason as a sentence for a message box: "This view cannot be drawn: ...".
std::string ViewRefusalMessage(const std::string& refusal);

}  // namespace zolt

#pragma once

#include <cstdint>
#include <string>

#include "engine/fractal_def.h"

namespace zolt {

// The memory the machine can give the program now without swapping: the kernel's estimate of
// available memory (or, from a kernel without one, its free memory and caches), and no more
// than a limit on the process's address space leaves. The largest value when none of it can be
// read, so that nothing is refused for want of knowing.
std::uint64_t AvailableMemory();

// Why a view cannot be drawn at `width` x `height`, in a few words ("deep views take at most
// 33554430 iterations"); empty when it can. The generation, Export Image and zolt-render all
// ask this before they begin. A deep view's reference must fit in `freeBytes`; a view deeper
// than any engine reaches is not refused (it is drawn in doubles, and says so when finished).
std::string ViewRefusal(const GenerationSnapshot& numbers, int width, int height,
                        std::uint64_t freeBytes);

// The same reason as a sentence for a message box: "This view cannot be drawn: ...".
std::string ViewRefusalMessage(const std::string& refusal);

}  // namespace zolt

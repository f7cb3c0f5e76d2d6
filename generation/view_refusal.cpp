#include "generation/view_refusal.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "engine/view_counter.h"
#include "settings/number_text.h"
#include "settings/safe_file.h"

namespace zolt {

namespace {

// The value in kB of a line "Name:   1234 kB" of /proc/meminfo, when there is one.
std::optional<std::uint64_t> MeminfoValue(const std::string& text, std::string_view name) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line(text.data() + at, end - at);
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':') {
            const auto kb =
                ParseInteger(line.substr(name.size() + 1, line.find(" kB") - name.size() - 1), 0,
                             std::numeric_limits<long long>::max() / 1024);
            if (kb)
                return static_cast<std::uint64_t>(*kb) * 1024;
            return std::nullopt;
        }
        at = end + 1;
    }
    return std::nullopt;
}

// What the machine has free: MemAvailable, or from an older kernel the free memory and the
// caches; the largest value when it cannot be read.
std::uint64_t MachineMemory() {
    constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
    std::string text;
    if (ReadRegularFile("/proc/meminfo", 1 << 20, text) != FileRead::kOk)
        return kUnknown;
    if (const auto available = MeminfoValue(text, "MemAvailable"))
        return *available;
    std::uint64_t sum = 0;
    for (const std::string_view name : {"MemFree", "Buffers", "Cached"}) {
        const auto value = MeminfoValue(text, name);
        if (!value)
            return kUnknown;
        sum += *value;
    }
    return sum;
}

// What a limit on the process's address space still leaves it.
std::uint64_t AddressSpaceLeft() {
    constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnknown;
    std::string statm;
    if (ReadRegularFile("/proc/self/statm", 4096, statm) != FileRead::kOk)
        return kUnknown;
    const auto pages = ParseInteger(statm.substr(0, statm.find(' ')), 0,
                                    std::numeric_limits<long long>::max() / 65536);
    if (!pages)
        return kUnknown;
    const std::uint64_t used = static_cast<std::uint64_t>(*pages) * ::sysconf(_SC_PAGESIZE);
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

}  // namespace

std::uint64_t AvailableMemory() {
    return std::min(MachineMemory(), AddressSpaceLeft());
}

std::string ViewRefusal(const GenerationSnapshot& numbers, int width, int height,
                        std::uint64_t freeBytes) {
    CountNeeds needs = NeedsOf(numbers, width, height);
    if (!needs.refusal.empty() || needs.kind != ViewCounter::Kind::Deep)
        return std::move(needs.refusal);
    if (needs.referenceBytes > freeBytes)
        return "the reference orbit needs " + ByteSizeText(needs.referenceBytes) +
               " of memory, and " + ByteSizeText(freeBytes) + " is free";
    return {};
}

std::string ViewRefusalMessage(const std::string& refusal) {
    return "This view cannot be drawn: " + refusal + ".";
}

}  // namespace zolt

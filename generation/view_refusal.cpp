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

// What follows `name` and `separator` on the first line of `text` that starts with them.
std::optional<std::string_view> LineAfter(const std::string& text, std::string_view name,
                                          char separator) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line(text.data() + at, end - at);
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == separator)
            return line.substr(name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

// The value in kB of a line "Name:   1234 kB" of /proc/meminfo, when there is one.
std::optional<std::uint64_t> MeminfoValue(const std::string& text, std::string_view name) {
    const auto rest = LineAfter(text, name, ':');
    if (!rest)
        return std::nullopt;
    const auto kb = ParseInteger(rest->substr(0, rest->find(" kB")), 0,
                                 std::numeric_limits<long long>::max() / 1024);
    if (!kb)
        return std::nullopt;
    return static_cast<std::uint64_t>(*kb) * 1024;
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

// The number a cgroup file holds alone ("123\n"), none for "max" or anything unreadable.
std::optional<std::uint64_t> CgroupNumber(const std::filesystem::path& file) {
    std::string text;
    if (ReadRegularFile(file, 4096, text) != FileRead::kOk)
        return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    const auto value = ParseInteger(text, 0, std::numeric_limits<long long>::max());
    if (!value)
        return std::nullopt;
    return static_cast<std::uint64_t>(*value);
}

// The value of a line "name 123" of a cgroup's memory.stat.
std::optional<std::uint64_t> StatValue(const std::string& text, std::string_view name) {
    const auto rest = LineAfter(text, name, ' ');
    const auto value =
        rest ? ParseInteger(*rest, 0, std::numeric_limits<long long>::max()) : std::nullopt;
    if (!value)
        return std::nullopt;
    return static_cast<std::uint64_t>(*value);
}

}  // namespace

std::uint64_t CgroupMemoryLeft(const std::filesystem::path& selfCgroup,
                               const std::filesystem::path& root) {
    constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
    std::string text;
    if (ReadRegularFile(selfCgroup, 1 << 16, text) != FileRead::kOk)
        return kUnknown;
    // The unified hierarchy (version 2), and the memory controller's own (version 1).
    struct Hierarchy {
        bool unified;
        const char* mount;
        const char* limit;
        const char* usage;
        const char* inactive;  // the inactive file cache, in memory.stat
    };
    constexpr Hierarchy kHierarchies[] = {
        {true, "", "memory.max", "memory.current", "inactive_file"},
        {false, "memory", "memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"},
    };
    std::uint64_t least = kUnknown;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        // "id:controllers:path"
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos)
            continue;
        const std::string_view id = line.substr(0, first);
        const std::string controllers(line.substr(first + 1, second - first - 1));
        std::string path(line.substr(second + 1));
        if (!path.starts_with('/') || path.find("/..") != std::string::npos)
            continue;
        for (const Hierarchy& hierarchy : kHierarchies) {
            const bool ours = hierarchy.unified
                                  ? id == "0" && controllers.empty()
                                  : ("," + controllers + ",").find(",memory,") != std::string::npos;
            if (!ours)
                continue;
            // Every group from the process's up to the root limits it: the least any leaves.
            for (std::string group = path;;) {
                const std::filesystem::path dir = root / hierarchy.mount / group.substr(1);
                const auto limit = CgroupNumber(dir / hierarchy.limit);
                const auto usage = CgroupNumber(dir / hierarchy.usage);
                if (limit && usage) {
                    // The inactive file cache is given back before the limit is enforced.
                    std::string stat;
                    std::uint64_t reclaimable = 0;
                    if (ReadRegularFile(dir / "memory.stat", 1 << 16, stat) == FileRead::kOk)
                        reclaimable = StatValue(stat, hierarchy.inactive).value_or(0);
                    const std::uint64_t used = *usage > reclaimable ? *usage - reclaimable : 0;
                    least = std::min(least, *limit > used ? *limit - used : 0);
                }
                if (group == "/")
                    break;
                const std::size_t slash = group.find_last_of('/');
                group = slash == 0 ? "/" : group.substr(0, slash);
            }
        }
    }
    return least;
}

std::uint64_t AvailableMemory() {
    return std::min({MachineMemory(), AddressSpaceLeft(),
                     CgroupMemoryLeft("/proc/self/cgroup", "/sys/fs/cgroup")});
}

std::string ViewRefusal(const GenerationSnapshot& numbers, int width, int height,
                        const std::function<std::uint64_t()>& freeBytes) {
    CountNeeds needs = NeedsOf(numbers, width, height);
    if (!needs.refusal.empty() || needs.kind != ViewCounter::Kind::Deep)
        return std::move(needs.refusal);
    if (const std::uint64_t free = freeBytes(); needs.referenceBytes > free)
        return "the reference orbit needs " + ByteSizeText(needs.referenceBytes) +
               " of memory, and " + ByteSizeText(free) + " is free";
    return {};
}

std::string ViewRefusalMessage(const std::string& refusal) {
    return "This view cannot be drawn: " + refusal + ".";
}

}  // namespace zolt

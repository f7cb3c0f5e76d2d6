#include "generation/view_refusal.h"

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

}  // namespace

std::uint64_t AvailableMemory() {
    std::string text;
    if (ReadRegularFile("/proc/meminfo", 1 << 20, text) != FileRead::kOk)
        return std::numeric_limits<std::uint64_t>::max();
    if (const auto available = MeminfoValue(text, "MemAvailable"))
        return *available;
    std::uint64_t sum = 0;
    for (const std::string_view name : {"MemFree", "Buffers", "Cached"}) {
        const auto value = MeminfoValue(text, name);
        if (!value)
            return std::numeric_limits<std::uint64_t>::max();
        sum += *value;
    }
    return sum;
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

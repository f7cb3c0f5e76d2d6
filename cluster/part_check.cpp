#include "cluster/part_check.h"

#include <zlib.h>

#include <algorithm>
#include <system_error>

#include "cluster/part_file.h"

namespace zolt {

std::string IndexList(const std::vector<int>& indices) {
    std::string text;
    for (std::size_t i = 0; i < indices.size();) {
        std::size_t j = i;
        while (j + 1 < indices.size() && indices[j + 1] == indices[j] + 1)
            ++j;
        if (!text.empty())
            text += ',';
        text += std::to_string(indices[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(indices[j]);
        }
        i = j + 1;
    }
    return text;
}

std::uint64_t JobChecksum(const std::string& description) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(description.data());
    return static_cast<std::uint64_t>(crc32_z(0, bytes, description.size())) << 32 |
           adler32_z(1, bytes, description.size());
}

namespace {

std::map<int, ListedPart> ListParts(const std::filesystem::path& folder, const PartListing& read,
                                    std::string& reason) {
    std::map<int, ListedPart> listed;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (const auto index = PartIndexOf(it->path()))
            listed[*index] = read(it->path(), *index);
    }
    if (error)
        reason = error.message();
    return listed;
}

}  // namespace

bool PartFaults::Any() const {
    return !missing.empty() || !otherJob.empty() || !otherSplit.empty() || !incomplete.empty() ||
           !damaged.empty();
}

void PartFaults::Damaged(int index, const std::string& why) {
    if (damaged.empty())
        damage = why;
    damaged.push_back(index);
}

std::string PartFaults::Text() const {
    std::string text;
    const auto add = [&text](std::vector<int> indices, const std::string& what) {
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        if (!indices.empty())
            text += (text.empty() ? "" : "; ") + what + ": " + IndexList(indices);
    };
    add(missing, "parts missing");
    add(otherJob, "made for another " + job);
    add(otherSplit, "made for another number of parts");
    add(incomplete, "keyframes missing or changed");
    add(damaged, "damaged");
    if (!damaged.empty())
        text += " (" + damage + ")";
    return text;
}

namespace {

PartFaults JudgeParts(const std::map<int, ListedPart>& listed, const std::string& job,
                      std::pair<std::uint64_t, int>& chosen) {
    std::map<std::pair<std::uint64_t, int>, int> votes;
    for (const auto& [index, part] : listed)
        if (part.readable)
            ++votes[{part.job, part.parts}];
    int most = 0;
    for (const auto& [index, part] : listed) {
        if (part.readable && votes[{part.job, part.parts}] > most) {
            chosen = {part.job, part.parts};
            most = votes[chosen];
        }
    }
    PartFaults faults;
    faults.job = job;
    for (int i = 0; i < chosen.second; ++i)
        if (!listed.contains(i))
            faults.missing.push_back(i);
    for (const auto& [index, part] : listed) {
        if (!part.readable)
            faults.Damaged(index, part.fault);
        else if (part.job != chosen.first)
            faults.otherJob.push_back(index);
        else if (part.parts != chosen.second)
            faults.otherSplit.push_back(index);
    }
    return faults;
}

}  // namespace

bool CheckParts(const std::filesystem::path& folder, const PartListing& read,
                const std::string& job, std::pair<std::uint64_t, int>& chosen, PartFaults& faults,
                std::string& reason) {
    const std::map<int, ListedPart> listed = ListParts(folder, read, reason);
    if (!reason.empty())
        return false;
    if (listed.empty()) {
        reason = "it holds no parts";
        return false;
    }
    faults = JudgeParts(listed, job, chosen);
    if (faults.Any())
        reason = faults.Text();
    return !faults.Any();
}

}  // namespace zolt

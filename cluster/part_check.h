#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zolt {

// What a folder of parts holds, judged before anything is joined: every part of one job (a
// picture, a movie) and one split must be there, and whole. The faults are named by the parts'
// indices in a list that Slurm's --array takes, so that the user can compute exactly those again.

// The indices in a list as Slurm's --array takes them: "1,4-6,9".
std::string IndexList(const std::vector<int>& indices);

// What a part file says before the bulk of it is read: which job it is of (a checksum, so that a
// folder of thousands of parts is not held in memory) and into how many parts that was split, or
// why it cannot be read.
struct ListedPart {
    bool readable = false;
    std::uint64_t job = 0;
    int parts = 0;
    std::string fault;  // why it is damaged
};

// A checksum of a job's description, for ListedPart::job.
std::uint64_t JobChecksum(const std::string& description);

// What is wrong with the parts of a folder, by kind, each kind's indices in order.
struct PartFaults {
    std::string job = "picture";  // what the parts make, for the texts
    std::vector<int> missing;
    std::vector<int> otherJob;
    std::vector<int> otherSplit;
    std::vector<int> incomplete;  // pieces of theirs besides the part file are missing
    std::vector<int> damaged;
    std::string damage;  // why the first damaged one is

    bool Any() const;
    void Damaged(int index, const std::string& why);
    // "parts missing: 3,7-9; made for another picture: 1".
    std::string Text() const;
};

// Reads what a part file says; `index` is the one its name gives.
using PartListing = std::function<ListedPart(const std::filesystem::path& path, int index)>;

// The part files of `folder`, each read by `read`, judged for the job and split most of them are
// of (the lowest index's on a tie): true when every part of that job and split is there and
// readable, with `chosen` that job and split; otherwise `reason` says what is wrong, naming the
// parts by index. `faults` is the judgement, for the checks that come after.
bool CheckParts(const std::filesystem::path& folder, const PartListing& read,
                const std::string& job, std::pair<std::uint64_t, int>& chosen, PartFaults& faults,
                std::string& reason);

}  // namespace zolt

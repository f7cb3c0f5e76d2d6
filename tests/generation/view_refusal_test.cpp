#include "generation/view_refusal.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>

#include "support/temp_dir.h"

namespace zolt {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kMiB = 1 << 20;

// The memory the control groups leave, read from a tree of their files: the process's line of
// /proc/self/cgroup, and each file under the mount point.
std::uint64_t LeftIn(const std::string& selfCgroup,
                     const std::map<std::string, std::string>& files) {
    test::TempDir dir;
    test::WriteBytes(dir.Path() / "cgroup", selfCgroup);
    for (const auto& [name, text] : files) {
        std::filesystem::create_directories((dir.Path() / "fs" / name).parent_path());
        test::WriteBytes(dir.Path() / "fs" / name, text);
    }
    return CgroupMemoryLeft(dir.Path() / "cgroup", dir.Path() / "fs");
}

TEST(CgroupMemoryLeft, TheLeastAnyGroupAboveTheProcessLeaves) {
    const std::string job = "0::/slurm/job_7/step_0\n";
    struct Case {
        const char* name;
        std::string self;
        std::map<std::string, std::string> files;
        std::uint64_t left;
    };
    const Case cases[] = {
        {"the job's limit, its file cache given back",
         job,
         {{"slurm/job_7/memory.max", "1073741824\n"},
          {"slurm/job_7/memory.current", "536870912\n"},
          {"slurm/job_7/memory.stat", "anon 1\ninactive_file 104857600\nactive_file 5\n"}},
         1024 * kMiB - 512 * kMiB + 100 * kMiB},
        {"a tighter limit further up counts",
         job,
         {{"slurm/job_7/step_0/memory.max", "max\n"},
          {"slurm/job_7/step_0/memory.current", "1000\n"},
          {"slurm/memory.max", "209715200\n"},
          {"slurm/memory.current", "104857600\n"}},
         100 * kMiB},
        {"a group over its limit leaves nothing",
         job,
         {{"slurm/memory.max", "100\n"}, {"slurm/memory.current", "200\n"}},
         0},
        {"version 1's memory controller",
         "12:cpu,cpuacct:/\n4:memory:/batch/7\n0::/\n",
         {{"memory/batch/7/memory.limit_in_bytes", "2147483648\n"},
          {"memory/batch/7/memory.usage_in_bytes", "1073741824\n"},
          {"memory/batch/7/memory.stat", "cache 9\ntotal_inactive_file 1048576\n"}},
         1024 * kMiB + kMiB},
        {"no limit anywhere", job, {{"slurm/job_7/memory.max", "max\n"}}, kUnknown},
        {"no hierarchy the process is in", "", {}, kUnknown},
        {"damaged numbers are no limit",
         job,
         {{"slurm/memory.max", "12x\n"}, {"slurm/memory.current", "-5\n"}},
         kUnknown},
        {"a path that climbs out is not followed",
         "0::/../etc\n",
         {{"memory.max", "100\n"}, {"memory.current", "0\n"}},
         kUnknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LeftIn(c.self, c.files), c.left) << c.name;
}

}  // namespace
}  // namespace zolt

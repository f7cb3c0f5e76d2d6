#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>

namespace zolt::test {

// The user a child becomes when the tests run as root, so permissions apply to it.
constexpr uid_t kUnprivilegedId = 65534;  // "nobody"

struct ChildLimits {
    bool unprivileged = false;  // drop root's right to ignore permissions
    rlim_t fileSizeLimit = 0;   // bytes a file may grow to, imitating a full disk; 0: no limit
    rlim_t memoryLimit = 0;     // bytes of address space, imitating a full memory; 0: no limit
};

// The address space this process has now: a memory limit for a child is this and what it may
// take besides.
inline rlim_t UsedAddressSpace() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// Runs `body` in a child process under `limits` and returns what it returned (false when the
// child could not be made or died).
inline bool RunInChild(const std::function<bool()>& body, ChildLimits limits) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        bool ready = true;
        if (limits.unprivileged && ::geteuid() == 0)
            ready = ::setgid(kUnprivilegedId) == 0 && ::setuid(kUnprivilegedId) == 0;
        if (limits.fileSizeLimit != 0) {
            // A write past the limit then fails with EFBIG instead of killing the process.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{limits.fileSizeLimit, limits.fileSizeLimit};
            ready = ready && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        if (limits.memoryLimit != 0) {
            const rlimit limit{limits.memoryLimit, limits.memoryLimit};
            ready = ready && ::setrlimit(RLIMIT_AS, &limit) == 0;
        }
        ::_exit(ready && body() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Hands `path` and everything below it to the unprivileged child's user (when running as
// root; otherwise they are ours already), and lets it through the directories above.
inline bool GiveToUnprivilegedChild(const std::filesystem::path& path) {
    if (::geteuid() != 0)
        return true;
    std::error_code ignored;
    bool ok = ::chown(path.c_str(), kUnprivilegedId, kUnprivilegedId) == 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
        ok = ::chown(entry.path().c_str(), kUnprivilegedId, kUnprivilegedId) == 0 && ok;
    for (auto parent = path.parent_path(); parent != parent.root_path();
         parent = parent.parent_path())
        std::filesystem::permissions(parent, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add, ignored);
    return ok;
}

}  // namespace zolt::test

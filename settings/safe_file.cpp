#include "settings/safe_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <system_error>

namespace zolt {

namespace {

void SetReason(std::string* reason, std::string text) {
    if (reason != nullptr)
        *reason = std::move(text);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::string SystemReason() {
    return std::strerror(errno);
}

// The descriptor a path names when it is one of this process's own (/dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N); -1 otherwise.
int OwnDescriptor(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text == "/dev/stdout")
        return STDOUT_FILENO;
    if (text == "/dev/stderr")
        return STDERR_FILENO;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (text.size() > prefix.size() && text.starts_with(prefix) &&
            text.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
            text.size() - prefix.size() <= 9)
            return std::stoi(text.substr(prefix.size()));
    }
    return -1;
}

// A save's temporary file is named ".zolt-save-", the saving process's id, '-' and six letters
// or digits: a name that says whose it is, so that one a killed save left behind can be found
// and removed later, and nothing else ever is.
constexpr std::string_view kTemporaryPrefix = ".zolt-save-";
constexpr std::size_t kRandomLetters = 6;

bool IsLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The temporary name's prefix with this process's id, up to the random letters.
std::string TemporaryStem() {
    return std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-";
}

// A hidden name beside the target for its next content, random enough not to meet another.
std::string TemporaryName() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = TemporaryStem();
    for (std::size_t i = 0; i < kRandomLetters; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

// The process id in a name a save of ours gave its temporary file; none for any other name.
std::optional<pid_t> SaverOf(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix))
        return std::nullopt;
    name.remove_prefix(kTemporaryPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9 || name[0] == '0' ||
        name.size() != dash + 1 + kRandomLetters ||
        !std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(dash),
                     [](char c) { return c >= '0' && c <= '9'; }) ||
        !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dash) + 1, name.end(),
                     IsLetterOrDigit))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(std::string(name.substr(0, dash))));
}

// When this process started, near enough: before any save it makes.
const timespec kStarted = [] {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}();

// Whether some process has the file open, as far as /proc tells (only one's own processes show
// their files; the others are another user's, whose files are never removed here).
bool OpenAnywhere(const struct stat& file) {
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = process.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code ignored;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", ignored)) {
            struct stat open {};
            if (::stat(fd.path().c_str(), &open) == 0 && open.st_dev == file.st_dev &&
                open.st_ino == file.st_ino)
                return true;
        }
    }
    return false;
}

// The directories whose leftovers this process has removed, or leaves alone.
struct Swept {
    std::mutex mutex;
    std::set<std::string> directories;

    static Swept& Of() {
        static Swept swept;
        return swept;
    }
    // True the first time for a directory, however it is spelt ("p", "p/", "./p").
    bool First(const std::filesystem::path& directory) {
        const std::string key = (directory / "x").lexically_normal().parent_path().string();
        std::lock_guard lock(mutex);
        return directories.insert(key).second;
    }
};

// Removes from `directory` what a save of a process that is gone left behind: a regular file
// under a name of ours, of this user, last written before this process started, whose saver is
// no longer running and which no process has open. Once for each directory in a process's life:
// whatever a save leaves after that is younger than the process and not its to remove.
void RemoveLeftovers(const std::filesystem::path& directory) {
    if (!Swept::Of().First(directory))
        return;
    const bool procfs = ::access("/proc/self/fd", X_OK) == 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const auto saver = SaverOf(entry.path().filename().native());
        struct stat file {};
        if (!saver || *saver == ::getpid() || ::lstat(entry.path().c_str(), &file) != 0 ||
            !S_ISREG(file.st_mode) || file.st_uid != ::geteuid() || file.st_nlink != 1)
            continue;
        const timespec written = file.st_mtim;
        const bool older = written.tv_sec < kStarted.tv_sec || (written.tv_sec == kStarted.tv_sec &&
                                                                written.tv_nsec < kStarted.tv_nsec);
        const bool saverGone = ::kill(*saver, 0) != 0 && errno == ESRCH;
        if (older && saverGone && !(procfs && OpenAnywhere(file)))
            ::unlink(entry.path().c_str());
    }
}

}  // namespace

void KeepLeftovers(const std::filesystem::path& directory) {
    Swept::Of().First(directory);
}

int OpenRegularFile(const std::filesystem::path& path, std::string* reason, bool* missing) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (missing != nullptr)
        *missing = fd < 0 && errno == ENOENT;
    if (fd < 0) {
        SetReason(reason, SystemReason());
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        SetReason(reason, SystemReason());
    } else if (!S_ISREG(info.st_mode)) {
        SetReason(reason, S_ISDIR(info.st_mode) ? "Is a directory" : "not a regular file");
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string& bytes, std::string* reason) {
    bytes.clear();
    bool missing = false;
    const int fd = OpenRegularFile(path, reason, &missing);
    if (fd < 0)
        return missing ? FileRead::kMissing : FileRead::kFailed;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        SetReason(reason, SystemReason());
    } else if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        ok = false;
        SetReason(reason, "larger than " + std::to_string(maxBytes) + " bytes");
    }
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            SetReason(reason, SystemReason());
            ok = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            SetReason(reason, "larger than " + std::to_string(maxBytes) + " bytes");
            ok = false;
        }
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok ? FileRead::kOk : FileRead::kFailed;
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail(std::string reason) {
    reason_ = std::move(reason);
    failed_ = true;
    return false;
}

bool AtomicFile::Open(const std::filesystem::path& path, Fifo fifo) {
    Discard();
    reason_.clear();
    failed_ = false;
    if (path.empty() || !path.has_filename())
        return Fail("not a file name");
    // The process's own output goes to the descriptor it already has. Opened again by its name,
    // a file behind it would be replaced, or written from its start over what came before.
    if (const int own = OwnDescriptor(path); own >= 0) {
        fd_ = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0)
            return Fail(SystemReason());
        inPlace_ = true;
        return true;
    }
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;  // what the path leads to
    if (exists && S_ISDIR(existing.st_mode))
        return Fail("Is a directory");
    if (exists && !S_ISREG(existing.st_mode)) {
        // Named to be written to, not to be replaced (/dev/stdout is a link to whatever the
        // output is). A FIFO opened without blocking fails at once when nobody reads it; once
        // open, writes may wait for the reader as usual.
        const int nonblock = fifo == Fifo::kWaitForReader ? 0 : O_NONBLOCK;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | nonblock);
        if (fd_ < 0)
            return Fail(errno == ENXIO ? "nobody reads the FIFO" : SystemReason());
        if (nonblock != 0)
            ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
        inPlace_ = true;
        return true;
    }
    // A link to a file is written through, so it stays a link to the new content.
    std::error_code error;
    target_ = path;
    if (std::filesystem::is_symlink(path, error)) {
        target_ = std::filesystem::canonical(path, error);
        if (error)
            return Fail("the link leads nowhere");
    }
    // A file its owner made read-only is not replaced behind their back, not even by root, who
    // may write anything.
    if (exists && ((existing.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0))
        return Fail("the file is read-only");

    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
    std::filesystem::path directory = target_.parent_path();
    if (directory.empty())
        directory = ".";
    RemoveLeftovers(directory);
    // An unnamed file can only be given its name through /proc, which a sandbox may lack.
    static const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    fd_ = canName ? ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600) : -1;
    unnamed_ = fd_ >= 0;
    if (!unnamed_) {
        // A file system without unnamed files: a short name of its own, so that a target name
        // near the length limit still has room.
        std::string temp = (directory / (TemporaryStem() + "XXXXXX")).string();
        fd_ = ::mkstemp(temp.data());
        if (fd_ < 0)
            return Fail(SystemReason());
        named_ = temp;
    }
    if (::fchmod(fd_, mode) != 0) {
        const std::string reason = SystemReason();
        Discard();
        return Fail(reason);
    }
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0 || failed_)
        return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Fail(SystemReason());
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0 || failed_) {
        Discard();
        return false;
    }
    if (inPlace_) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed || Fail(SystemReason());
    }
    if (::fsync(fd_) != 0) {
        const std::string reason = SystemReason();
        Discard();
        return Fail(reason);
    }
    if (unnamed_) {
        // The unnamed file gets a name of its own beside the target, then takes the target's:
        // a rename is the one step that replaces a file at once.
        const std::string source = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100 && named_.empty(); ++attempt) {
            // A name no file has yet, made up here rather than by creating one: nothing exists
            // under it until the link, which a killed save then leaves for only an instant.
            const std::filesystem::path temp = target_.parent_path() / TemporaryName();
            if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
                named_ = temp;
            else if (errno != EEXIST)
                break;
        }
        if (named_.empty()) {
            const std::string reason = SystemReason();
            Discard();
            return Fail(reason);
        }
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!closed || ::rename(named_.c_str(), target_.c_str()) != 0) {
        const std::string reason = SystemReason();
        Discard();
        return Fail(reason);
    }
    named_.clear();
    unnamed_ = false;
    return true;
}

void AtomicFile::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!named_.empty())
        ::unlink(named_.c_str());
    named_.clear();
    inPlace_ = false;
    unnamed_ = false;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* reason) {
    AtomicFile file;
    const bool written = file.Open(path) && file.Write(bytes) && file.Commit();
    if (!written)
        SetReason(reason, file.Reason());
    return written;
}

}  // namespace zolt

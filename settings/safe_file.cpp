#include "settings/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace zolt {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void SetReason(std::string* reason, std::string text) {
    if (reason != nullptr)
        *reason = std::move(text);
}

}  // namespace

FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string& bytes, std::string* reason) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        SetReason(reason, std::strerror(error));
        return error == ENOENT ? FileRead::kMissing : FileRead::kFailed;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        SetReason(reason, std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        ok = false;
        SetReason(reason, S_ISDIR(info.st_mode) ? "Is a directory" : "not a regular file");
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
            SetReason(reason, std::strerror(errno));
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

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    if (path.empty() || !path.has_filename())
        return false;
    std::error_code error;
    // A link is written through, so it stays a link to the new content.
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, error)) {
        target = std::filesystem::canonical(path, error);
        if (error)
            return false;  // a dangling link: there is nothing sensible to replace
    }
    // A file its owner made read-only is not replaced behind their back.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return false;
    // A short name of its own, so a target name near the length limit still has room.
    std::string temp = (target.parent_path() / ".zolt-save-XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // mkstemp creates the file 0600; an existing target keeps its mode, a new one gets the
    // permissions any other program would give it.
    struct stat existing {};
    const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                               : (0666 & ~CurrentUmask());
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

}  // namespace zolt

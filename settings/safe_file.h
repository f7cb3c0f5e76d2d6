#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace zolt {

enum class FileRead {
    kOk,
    kMissing,  // there is no such file
    kFailed,   // not a regular file, too large, or it could not be read
};

// Reads a regular file of at most `maxBytes` into `bytes` (empty on failure). The file is opened
// without blocking and refused unless it is a regular file, so a FIFO or a device placed at the
// path can neither hang the caller nor feed it for ever; one that grows past the limit while it
// is read is refused too. `reason`, when given, says why a read failed: the system's words, or
// what was wrong with the file.
FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string& bytes, std::string* reason = nullptr);

// Replaces `path` with `bytes` so that the file is either the old one or the new one, never a
// mix: the bytes go to a temporary file in the same directory, are flushed to the disk, and the
// temporary file is renamed over the target. On failure the temporary file is removed and the
// target is untouched. A new file gets the usual permissions (0666 less the umask), an existing
// one keeps its mode; a symbolic link is written through, a read-only file is refused. Other
// hard links to the old file keep the old content.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace zolt

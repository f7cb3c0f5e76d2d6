#pragma once

#include <filesystem>
#include <string_view>

namespace zolt {

// Replaces `path` with `bytes` so that the file is either the old one or the new one, never a
// mix: the bytes go to a temporary file in the same directory, are flushed to the disk, and the
// temporary file is renamed over the target. On failure the temporary file is removed and the
// target is untouched. A new file gets the usual permissions (0666 less the umask), an existing
// one keeps its mode; a symbolic link is written through, a read-only file is refused. Other
// hard links to the old file keep the old content.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace zolt

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace zolt {

// Reading and writing files so that nothing hangs and nothing is lost.

enum class FileRead {
    kOk,
    kMissing,  // there is no such file
    kFailed,   // not a regular file, too large, or it could not be read
};

// Opens the regular file at `path` for reading, without blocking (a FIFO or a device placed at
// the path could otherwise hang the caller): its descriptor, or -1 with `reason` saying why and
// `missing` whether there is no such file.
int OpenRegularFile(const std::filesystem::path& path, std::string* reason = nullptr,
                    bool* missing = nullptr);

// Reads a regular file of at most `maxBytes` into `bytes` (empty on failure). The file is opened
// without blocking and refused unless it is a regular file, so a FIFO or a device placed at the
// path can neither hang the caller nor feed it for ever; one that grows past the limit while it
// is read is refused too. `reason`, when given, says why a read failed: the system's words, or
// what was wrong with the file.
FileRead ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string& bytes, std::string* reason = nullptr);

// A file written as a whole or not at all.
//
// A regular target is replaced at once when the writing is committed: the bytes go to a
// temporary file in the same directory (an unnamed one where the file system offers it, so that
// a killed program leaves nothing behind), are flushed to the disk and take the target's place.
// A named temporary file is called ".zolt-save-PID-XXXXXX"; one that a killed save left behind
// is removed by the first save of a later process into the same directory, once its saver is
// gone and nothing has it open.
// Until then, and on any failure, the target is as it was. A new file gets the usual permissions
// (0666 less the umask), an existing one keeps its mode; a symbolic link is written through. A
// read-only target is refused, even to root: its owner made it so.
//
// A target that exists and is no regular file (a terminal, a FIFO, a device) is written in
// place, never replaced: that is what naming one means. A FIFO nobody reads is refused at once
// unless the caller waits for a reader. The process's own streams (/dev/stdout, /dev/fd/N) are
// written through the descriptors it has, whatever is behind them.
class AtomicFile {
  public:
    enum class Fifo { kRefuseWithoutReader, kWaitForReader };

    AtomicFile() = default;
    ~AtomicFile();  // discards what was not committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::filesystem::path& path, Fifo fifo = Fifo::kRefuseWithoutReader);
    bool Write(std::string_view bytes);
    // Puts the file in place. False when it could not be; the target is then as it was.
    bool Commit();
    // Drops what was written; the target is as it was.
    void Discard();

    // Why the last operation failed, in the system's words where the system refused.
    const std::string& Reason() const { return reason_; }

  private:
    bool Fail(std::string reason);

    std::filesystem::path target_;
    std::filesystem::path named_;  // the named temporary file, when the unnamed one was refused
    std::string reason_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool unnamed_ = false;
    bool failed_ = false;
};

// Saves of this process into `directory` leave what killed saves left there alone from now on:
// for a folder that processes on other machines save into at the same time (the parts of a
// batch job on a shared file system), where a temporary file whose saver this machine cannot see
// may well be one still being written.
void KeepLeftovers(const std::filesystem::path& directory);

// Writes `bytes` as an AtomicFile; `reason`, when given, says why it failed.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* reason = nullptr);

}  // namespace zolt

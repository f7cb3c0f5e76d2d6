#include "document/text_file.h"

#include <cstdio>
#include <memory>

#include "settings/atomic_file.h"

namespace zolt {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Reads up to kReadPiece bytes, up to and including the next LF, into `line` without its line
// end (one LF, then one CR). Returns the number of bytes taken from the file, line end included,
// so an empty line still counts; 0 at the end of the file or on a read error.
std::size_t ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    std::size_t taken = 0;
    while (taken < TextFile::kReadPiece) {
        const int c = std::getc(file);
        if (c == EOF)
            break;
        ++taken;
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return taken;
}

}  // namespace

TextFile::TextFile(std::string standby)
    : standby_(std::move(standby)),
      open_{standby_, false},
      save_{standby_, false},
      writer_(WriteFileAtomically) {}

bool TextFile::RunPass(PassMode mode, const PathText& path) {
    if (mode != PassMode::Read && mode != PassMode::Write)
        return false;
    // A NUL would silently cut the name the system sees.
    if (path.Empty() || path.Text().find('\0') != std::string::npos)
        return false;
    long long lines = 0;
    const bool ok = mode == PassMode::Read ? ReadPass(path, lines) : WritePass(path, lines);
    if (!ok)
        return false;
    std::string baseName = path.BaseName();
    bool stop = false;
    return mode == PassMode::Read ? OnRead(TextEvent::End, baseName, lines, stop)
                                  : OnWrite(TextEvent::End, baseName, lines, stop);
}

bool TextFile::ReadPass(const PathText& path, long long& lines) {
    const FileHandle file(std::fopen(path.Text().c_str(), "rb"));
    if (!file)
        return false;
    bool stop = false;
    if (!OnRead(TextEvent::Begin, {}, 0, stop))
        return false;
    std::string line;
    long long n = 0;
    while (ReadLine(file.get(), line) != 0) {
        ++n;
        if (!OnRead(TextEvent::LineRead, line, n, stop))
            return false;
        if (stop)
            break;
    }
    // A read error is not the end of the file: what was read so far is not the whole file.
    if (std::ferror(file.get()))
        return false;
    lines = n;
    return true;
}

bool TextFile::WritePass(const PathText& path, long long& lines) {
    bool stop = false;
    std::string line;
    if (!OnWrite(TextEvent::Begin, line, 0, stop))
        return false;
    std::string bytes;
    long long n = 0;
    do {
        ++n;
        line.clear();
        if (!OnWrite(TextEvent::LineWanted, line, n, stop))
            return false;
        // Cutting a line would change what the file says; refusing keeps the old file.
        if (line.size() > kMaxWrittenLine)
            return false;
        bytes += line;
        bytes += "\r\n";
    } while (!stop);
    if (!writer_ || !writer_(path.Text(), bytes))
        return false;
    lines = n;
    return true;
}

}  // namespace zolt

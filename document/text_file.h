#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "document/path_text.h"

namespace zolt {

class FileDialogs;
class RegistryStore;

// What a TextFile tells its handler.
enum class TextEvent : int {
    Begin = 1,       // before the first line; empty text, number 0
    LineRead = 2,    // one line read, without its line end; numbered from 1
    LineWanted = 3,  // fill the (empty) line to be written; numbered from 1
    End = 4,         // the pass succeeded: the file's base name and the number of lines
};

enum class PassMode : int { Read = 1, Write = 2 };
enum class DirectoryKind : int { Open = 1, Save = 2 };

// Line-oriented files: a pass opens a file, hands its lines one by one to a handler of the
// derived class (or asks the handler for the lines to write) and closes it again. It also runs
// the file dialogs and remembers, per user and across runs, the directory last used for opening
// and the one last used for saving (section "File" of the settings store).
//
// Lines are read in pieces of at most 127 bytes, ending in LF or CR LF. Lines are written
// with CR LF, at most 128 characters each.
//
// A write pass never leaves a half-written file: all lines are made first, and only when the
// handler has produced every one of them is the file replaced at once. Any failure leaves the
// file as it was.
class TextFile {
  public:
    static constexpr std::size_t kReadPiece = 127;
    static constexpr std::size_t kMaxWrittenLine = 128;
    // The longest line that reads back as one line after its CR LF is written.
    static constexpr std::size_t kLongestReadBackLine = kReadPiece - 2;
    // Directories longer than this are not kept in the settings (which hold 255 bytes).
    static constexpr std::size_t kMaxStoredDirectory = 255;

    // Replaces the file at a path by the given bytes at once; true on success.
    using FileWriter = std::function<bool(const std::filesystem::path&, std::string_view)>;

    // `standby` stands in wherever no usable directory is known.
    explicit TextFile(std::string standby = HomeDirectory());
    virtual ~TextFile() = default;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    bool RunPass(PassMode mode, const PathText& path);

    // Reads the file at `path` (the one named at start-up); the open directory becomes the
    // file's own unless one is known already.
    bool OpenPath(RegistryStore* store, std::string_view path);
    // Writes `fileName` into the save directory.
    bool SaveInSaveDirectory(RegistryStore* store, std::string_view fileName);
    bool OpenWithDialog(RegistryStore* store, FileDialogs& dialogs);
    bool SaveWithDialog(RegistryStore* store, FileDialogs& dialogs, std::string_view initialName);

    // Runs the dialog of the kind in its directory and remembers the chosen file's directory.
    std::optional<std::string> AskForFile(DirectoryKind kind, RegistryStore* store,
                                          FileDialogs& dialogs, std::string_view initialName);
    bool LoadDirectory(DirectoryKind kind, RegistryStore* store, std::string& out) const;
    bool StoreDirectory(DirectoryKind kind, RegistryStore* store, std::string_view directory) const;

    const std::string& Directory(DirectoryKind kind) const { return Slot(kind).path; }
    bool DirectoryKnown(DirectoryKind kind) const { return Slot(kind).known; }
    const std::string& Standby() const { return standby_; }

    // The last step of a write pass; tests put a failing disk here.
    void SetFileWriter(FileWriter writer) { writer_ = std::move(writer); }

  protected:
    // Both return true to go on and false to make the pass fail; setting `stop` makes the
    // current line the last one.
    virtual bool OnRead(TextEvent event, std::string_view text, long long number, bool& stop) = 0;
    virtual bool OnWrite(TextEvent event, std::string& line, long long number, bool& stop) = 0;

  private:
    struct RememberedDirectory {
        std::string path;
        bool known = false;
    };

    bool ReadPass(const PathText& path, long long& lines);
    bool WritePass(const PathText& path, long long& lines);
    // The directory of `path`, or the stand-by directory when it has none.
    std::string DirectoryOf(const PathText& path) const;
    // What the settings keep of a remembered directory.
    std::string StoredForm(const std::string& directory) const;

    RememberedDirectory& Slot(DirectoryKind kind) {
        return kind == DirectoryKind::Open ? open_ : save_;
    }
    const RememberedDirectory& Slot(DirectoryKind kind) const {
        return kind == DirectoryKind::Open ? open_ : save_;
    }

    std::string standby_;
    RememberedDirectory open_;
    RememberedDirectory save_;
    FileWriter writer_;
};

}  // namespace zolt

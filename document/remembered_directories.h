#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/path_text.h"

namespace zolt {

class RegistryStore;

enum class DirectoryKind : int { Open = 1, Save = 2 };

// The directory last used for opening files and the one last used for saving them, kept per
// user across runs in the section "File" of the settings store.
//
// Each directory becomes known once a run: at the first dialog of its kind, at the first Save
// into the save directory, or when a file named at start-up is opened. From then on the one in
// memory counts, and only a dialog of its kind changes it; the settings are written again at
// every such use. A directory too long for the settings is kept for the run but stored as the
// stand-by directory, which also stands in wherever no usable directory is known.
class RememberedDirectories {
  public:
    // Directories longer than this are not kept in the settings (which hold 255 bytes).
    static constexpr std::size_t kMaxStoredDirectory = 255;

    // Without a store nothing is kept across runs, and OpenedByName and SavePath fail.
    explicit RememberedDirectories(RegistryStore* store, std::string standby = HomeDirectory());

    // Where the dialog of the kind starts: the kind's directory of this run, else the stored
    // one, else the stand-by directory. For saving this never looks at the open directory.
    std::string StartDirectory(DirectoryKind kind) const;
    // The user chose `path` in the dialog of the kind: its directory becomes the kind's. The
    // dialogs work on without the settings when these cannot be written.
    void Chosen(DirectoryKind kind, std::string_view path);
    // A file named on the command line is about to be read: unless the open directory is known,
    // it becomes the file's. False when the settings cannot be written; the file is then not to
    // be read.
    bool OpenedByName(std::string_view path);
    // The path Save writes `fileName` to: in the save directory, which at the first Save of a
    // run is the open directory when that is known. None when the settings cannot be written.
    std::optional<std::string> SavePath(std::string_view fileName);

    const std::string& Directory(DirectoryKind kind) const { return Slot(kind).path; }

    // The stored directory of the kind; false when there is none (an empty value counts as
    // none) or the settings cannot be read.
    bool Load(DirectoryKind kind, std::string& out) const;
    bool Store(DirectoryKind kind, std::string_view directory) const;

  private:
    struct Remembered {
        std::string path;
        bool known = false;
    };

    // The directory of `path`, or the stand-by directory when it has none.
    std::string DirectoryOf(std::string_view path) const;
    // What the settings keep of a remembered directory.
    std::string StoredForm(const std::string& directory) const;

    Remembered& Slot(DirectoryKind kind) { return kind == DirectoryKind::Open ? open_ : save_; }
    const Remembered& Slot(DirectoryKind kind) const {
        return kind == DirectoryKind::Open ? open_ : save_;
    }

    RegistryStore* store_;
    std::string standby_;
    Remembered open_;
    Remembered save_;
};

}  // namespace zolt

// The remembered directories of TextFile and the passes that use them.

#include <filesystem>
#include <system_error>

#include "commands/file_dialogs.h"
#include "document/text_file.h"
#include "settings/registry_store.h"

namespace zolt {

namespace {

constexpr std::string_view kSection = "File";

std::string_view ValueName(DirectoryKind kind) {
    return kind == DirectoryKind::Open ? "OpenFileDirectory" : "SaveFileDirectory";
}

// A relative path names a file below the working directory; its directory is that one.
PathText Absolute(std::string_view path) {
    if (path.empty() || path.front() == '/')
        return PathText(path);
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (error || cwd.empty())
        return PathText(path);
    return PathText(JoinPath(cwd.string(), path));
}

}  // namespace

std::string TextFile::DirectoryOf(const PathText& path) const {
    std::optional<std::string> directory = path.Directory();
    return directory ? *directory : standby_;
}

// The settings hold at most 255 bytes; a longer directory is kept in memory for this run (so
// that Save writes back where the file came from) but stored as the stand-by directory.
std::string TextFile::StoredForm(const std::string& directory) const {
    return directory.size() <= kMaxStoredDirectory ? directory : standby_;
}

bool TextFile::LoadDirectory(DirectoryKind kind, RegistryStore* store, std::string& out) const {
    if (store == nullptr)
        return false;
    std::optional<SectionKey> key = store->OpenSection(kSection, true);
    if (!key)
        return false;
    std::string value;
    const bool read = store->ReadString(*key, ValueName(kind), value);
    store->CloseSection(*key);
    // An empty value names no directory at all.
    if (!read || value.empty())
        return false;
    out = value;
    return true;
}

bool TextFile::StoreDirectory(DirectoryKind kind, RegistryStore* store,
                              std::string_view directory) const {
    if (store == nullptr)
        return false;
    std::optional<SectionKey> key = store->OpenSection(kSection, true);
    if (!key)
        return false;
    const bool written = store->WriteString(*key, ValueName(kind), directory);
    store->CloseSection(*key);
    return written;
}

bool TextFile::OpenPath(RegistryStore* store, std::string_view path) {
    if (!open_.known) {
        open_.path = DirectoryOf(Absolute(path));
        open_.known = true;
    }
    if (!StoreDirectory(DirectoryKind::Open, store, StoredForm(open_.path)))
        return false;
    return RunPass(PassMode::Read, PathText(path));
}

bool TextFile::SaveInSaveDirectory(RegistryStore* store, std::string_view fileName) {
    if (!save_.known) {
        if (open_.known)
            save_.path = open_.path;
        else if (!LoadDirectory(DirectoryKind::Save, store, save_.path))
            save_.path = standby_;
        save_.known = true;
    }
    const PathText path(JoinPath(save_.path, fileName));
    if (!StoreDirectory(DirectoryKind::Save, store, StoredForm(save_.path)))
        return false;
    return RunPass(PassMode::Write, path);
}

std::optional<std::string> TextFile::AskForFile(DirectoryKind kind, RegistryStore* store,
                                                FileDialogs& dialogs,
                                                std::string_view initialName) {
    if (kind != DirectoryKind::Open && kind != DirectoryKind::Save)
        return std::nullopt;
    RememberedDirectory& slot = Slot(kind);
    std::string start = slot.path;
    if (!slot.known && !LoadDirectory(kind, store, start))
        start = standby_;
    std::optional<std::string> chosen = kind == DirectoryKind::Open
                                            ? dialogs.AskOpen(start)
                                            : dialogs.AskSave(start, std::string(initialName));
    if (!chosen || chosen->empty())
        return std::nullopt;
    const std::string directory = DirectoryOf(Absolute(*chosen));
    // The dialog goes on without the settings when they cannot be written.
    StoreDirectory(kind, store, StoredForm(directory));
    slot.path = directory;
    slot.known = true;
    return chosen;
}

bool TextFile::OpenWithDialog(RegistryStore* store, FileDialogs& dialogs) {
    const std::optional<std::string> path = AskForFile(DirectoryKind::Open, store, dialogs, {});
    return path && RunPass(PassMode::Read, PathText(*path));
}

bool TextFile::SaveWithDialog(RegistryStore* store, FileDialogs& dialogs,
                              std::string_view initialName) {
    const std::optional<std::string> path =
        AskForFile(DirectoryKind::Save, store, dialogs, initialName);
    return path && RunPass(PassMode::Write, PathText(*path));
}

}  // namespace zolt

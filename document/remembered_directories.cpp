#include "document/remembered_directories.h"

#include <filesystem>
#include <system_error>

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

RememberedDirectories::RememberedDirectories(RegistryStore* store, std::string standby)
    : store_(store), standby_(std::move(standby)), open_{standby_, false}, save_{standby_, false} {}

std::string RememberedDirectories::DirectoryOf(std::string_view path) const {
    std::optional<std::string> directory = Absolute(path).Directory();
    return directory ? *directory : standby_;
}

std::string RememberedDirectories::StoredForm(const std::string& directory) const {
    return directory.size() <= kMaxStoredDirectory ? directory : standby_;
}

bool RememberedDirectories::Load(DirectoryKind kind, std::string& out) const {
    if (store_ == nullptr)
        return false;
    std::optional<SectionKey> key = store_->OpenSection(kSection, true);
    if (!key)
        return false;
    std::string value;
    const bool read = store_->ReadString(*key, ValueName(kind), value);
    store_->CloseSection(*key);
    // An empty value names no directory at all, and a NUL would cut the name the system sees.
    if (!read || value.empty() || value.find('\0') != std::string::npos)
        return false;
    out = value;
    return true;
}

bool RememberedDirectories::Store(DirectoryKind kind, std::string_view directory) const {
    if (store_ == nullptr)
        return false;
    std::optional<SectionKey> key = store_->OpenSection(kSection, true);
    if (!key)
        return false;
    const bool written = store_->WriteString(*key, ValueName(kind), directory);
    store_->CloseSection(*key);
    return written;
}

std::string RememberedDirectories::StartDirectory(DirectoryKind kind) const {
    const Remembered& slot = Slot(kind);
    std::string start = slot.path;
    if (!slot.known && !Load(kind, start))
        start = standby_;
    return start;
}

void RememberedDirectories::Chosen(DirectoryKind kind, std::string_view path) {
    Remembered& slot = Slot(kind);
    slot.path = DirectoryOf(path);
    slot.known = true;
    Store(kind, StoredForm(slot.path));
}

bool RememberedDirectories::OpenedByName(std::string_view path) {
    if (!open_.known) {
        open_.path = DirectoryOf(path);
        open_.known = true;
    }
    return Store(DirectoryKind::Open, StoredForm(open_.path));
}

std::optional<std::string> RememberedDirectories::SavePath(std::string_view fileName) {
    if (!save_.known) {
        if (open_.known)
            save_.path = open_.path;
        else if (!Load(DirectoryKind::Save, save_.path))
            save_.path = standby_;
        save_.known = true;
    }
    if (!Store(DirectoryKind::Save, StoredForm(save_.path)))
        return std::nullopt;
    return JoinPath(save_.path, fileName);
}

}  // namespace zolt

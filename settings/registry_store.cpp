#include "settings/registry_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <system_error>

#include "settings/key_file.h"
#include "settings/number_text.h"
#include "settings/safe_file.h"

// Layout on disk: a key with values is the file <root>/<maker>/<product>/<name>.conf in the form
// described in key_file.h; the product key itself is the directory. So the user's sections are
// ~/.config/JKV/Zolt/Defaults.conf and File.conf, and the first-run stamp is
// /etc/xdg/JKV/Zolt/1.0.conf.

namespace zolt {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKeyExtension = ".conf";
// Readers keep a value in 256 bytes with its terminating zero.
constexpr std::size_t kMaxValueBytes = 255;

// A name that becomes one path component, and nothing else.
bool IsKeyName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// Day/month/year without leading zeros, e.g. 5/3/2005.
std::string LocalDateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &local) == nullptr)
        return {};
    return std::to_string(local.tm_mday) + "/" + std::to_string(local.tm_mon + 1) + "/" +
           std::to_string(local.tm_year + 1900);
}

std::optional<fs::path> OpenKeyFile(const fs::path& productKey, std::string_view name,
                                    bool create) {
    fs::path file = productKey / (std::string(name) + std::string(kKeyExtension));
    std::error_code error;
    if (create && fs::status(file, error).type() == fs::file_type::not_found) {
        // O_EXCL: never empties a key that appeared in the meantime.
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            ::close(fd);
    }
    if (!fs::is_regular_file(file, error))
        return std::nullopt;
    return file;
}

// Replacing a symbolic link (kept by people who share their settings) would cut the link: write
// where it points instead.
fs::path WriteTarget(const fs::path& file) {
    std::error_code error;
    if (!fs::is_symlink(file, error))
        return file;
    fs::path target = fs::canonical(file, error);
    return error ? file : target;
}

}  // namespace

RegistryStore::Roots RegistryStore::DefaultRoots() {
    if (const char* dir = std::getenv("ZOLT_SETTINGS_ROOT"); dir != nullptr && *dir != '\0')
        return {fs::path(dir) / "machine", fs::path(dir) / "user"};
    Roots roots{"/etc/xdg", {}};
    // A relative XDG_CONFIG_HOME is to be ignored; without a home there is no user root, and the
    // user sections then fail rather than land in the working directory.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && fs::path(config).is_absolute())
        roots.user = config;
    else if (home != nullptr && fs::path(home).is_absolute())
        roots.user = fs::path(home) / ".config";
    return roots;
}

RegistryStore::RegistryStore(std::string maker, std::string product, std::string version,
                             Roots roots)
    : maker_(std::move(maker)),
      product_(std::move(product)),
      version_(std::move(version)),
      roots_(std::move(roots)) {
    // The three names become directory and file names: one that would leave the product's
    // directory leaves the store unusable instead.
    ready_ = IsKeyName(maker_) && IsKeyName(product_) && IsKeyName(version_);
    if (ready_)
        StampFirstRun();
}

std::optional<fs::path> RegistryStore::OpenProductKey(const fs::path& root) const {
    if (root.empty())
        return std::nullopt;
    fs::path key = root / maker_ / product_;
    std::error_code error;
    fs::create_directories(key, error);
    if (!fs::is_directory(key, error))
        return std::nullopt;
    return key;
}

// Failure only means no stamp: a user who may not write the machine root uses the store as well.
void RegistryStore::StampFirstRun() {
    const auto productKey = OpenProductKey(roots_.machine);
    if (!productKey)
        return;
    auto file = OpenKeyFile(*productKey, version_, true);
    if (!file)
        return;
    SectionKey key(std::move(*file));
    const std::string date = LocalDateText();
    if (!ValueExists(key, "Installation") && !date.empty())
        WriteString(key, "Installation", date);
}

std::optional<SectionKey> RegistryStore::OpenSection(std::string_view name, bool create) {
    if (!ready_ || !IsKeyName(name))
        return std::nullopt;
    const auto productKey = OpenProductKey(roots_.user);
    if (!productKey)
        return std::nullopt;
    auto file = OpenKeyFile(*productKey, name, create);
    if (!file)
        return std::nullopt;
    return SectionKey(std::move(*file));
}

bool RegistryStore::CloseSection(SectionKey& key) {
    if (!IsOpen(key))
        return false;
    key.file_.clear();
    return true;
}

bool RegistryStore::ReadValue(const SectionKey& key, std::string_view name,
                              std::string& out) const {
    if (!IsOpen(key))
        return false;
    std::string bytes;
    if (ReadRegularFile(key.file_, kMaxKeyFileBytes, bytes) != FileRead::kOk)
        return false;
    const KeyFile values = ParseKeyFile(bytes);
    const std::string* value = values.Find(name);
    if (value == nullptr || value->size() > kMaxValueBytes)
        return false;
    out = *value;
    return true;
}

bool RegistryStore::ReadString(const SectionKey& key, std::string_view name,
                               std::string& out) const {
    return ReadValue(key, name, out);
}

bool RegistryStore::ReadInteger(const SectionKey& key, std::string_view name, int& out) const {
    std::string text;
    if (!ReadValue(key, name, text))
        return false;
    // Whole decimal integers only, as a person would write them in a settings file.
    return StoreNumber(
        ParseInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()), out);
}

bool RegistryStore::ReadBoolean(const SectionKey& key, std::string_view name, bool& out) const {
    int value = 0;
    if (!ReadInteger(key, name, value))
        return false;
    out = value == 1;
    return true;
}

bool RegistryStore::ValueExists(const SectionKey& key, std::string_view name) const {
    std::string ignored;
    return ReadValue(key, name, ignored);
}

bool RegistryStore::WriteString(const SectionKey& key, std::string_view name,
                                std::string_view text) {
    // A value too long to be read back is refused rather than reported as stored.
    if (!IsOpen(key) || text.size() > kMaxValueBytes)
        return false;
    // A file that is there but cannot be read is not replaced: its values would be lost unseen.
    // One that reads but holds malformed lines keeps its good values and loses the rest.
    std::string bytes;
    if (ReadRegularFile(key.file_, kMaxKeyFileBytes, bytes) == FileRead::kFailed)
        return false;
    KeyFile values = ParseKeyFile(bytes);
    values.Set(name, text);
    // Names have no limit: a file grown past what is read would lose every value in it.
    const std::string formatted = FormatKeyFile(values);
    return formatted.size() <= kMaxKeyFileBytes &&
           WriteFileAtomically(WriteTarget(key.file_), formatted);
}

bool RegistryStore::WriteInteger(const SectionKey& key, std::string_view name, int value) {
    return WriteString(key, name, std::to_string(value));
}

bool RegistryStore::WriteBoolean(const SectionKey& key, std::string_view name, bool value) {
    return WriteString(key, name, value ? "1" : "0");
}

}  // namespace zolt

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zolt {

// An open section of the store: the key below the product key that holds one group of values.
class SectionKey {
  public:
    const std::filesystem::path& File() const { return file_; }

  private:
    friend class RegistryStore;
    explicit SectionKey(std::filesystem::path file) : file_(std::move(file)) {}
    std::filesystem::path file_;
};

// The program's settings: keys created on demand below <root>/<maker>/<product>, each holding
// named text values, under two roots, one per machine and one per user. Each key is one plain
// text file a person can read and edit; values read back byte for byte.
class RegistryStore {
  public:
    struct Roots {
        std::filesystem::path machine;
        std::filesystem::path user;
    };

    // ZOLT_SETTINGS_ROOT=DIR puts both roots below DIR (DIR/machine and DIR/user); otherwise the
    // user root is $XDG_CONFIG_HOME (default ~/.config) and the machine root /etc/xdg.
    static Roots DefaultRoots();

    // Stamps the first run on the machine (Installation below the version key) unless it is
    // there already; a machine root that cannot be written only skips the stamp.
    RegistryStore(std::string maker, std::string product, std::string version,
                  Roots roots = DefaultRoots());

    bool Ready() const { return ready_; }

    std::optional<SectionKey> OpenSection(std::string_view name, bool create);
    bool CloseSection(SectionKey& key);

    // Values of 256 bytes or more read as absent.
    bool ReadString(const SectionKey& key, std::string_view name, std::string& out) const;
    // Whole decimal integers only: leading blanks and one sign allowed, nothing after the digits.
    bool ReadInteger(const SectionKey& key, std::string_view name, int& out) const;
    // True only for the integer 1.
    bool ReadBoolean(const SectionKey& key, std::string_view name, bool& out) const;
    bool ValueExists(const SectionKey& key, std::string_view name) const;

    // Atomic: a crash leaves the old file or the new one, never half of one. A text of 256 bytes
    // or more is refused, since it could not be read back.
    bool WriteString(const SectionKey& key, std::string_view name, std::string_view text);
    bool WriteInteger(const SectionKey& key, std::string_view name, int value);
    bool WriteBoolean(const SectionKey& key, std::string_view name, bool value);

  private:
    // The directory of the product key below `root`, created if absent.
    std::optional<std::filesystem::path> OpenProductKey(const std::filesystem::path& root) const;
    void StampFirstRun();
    bool IsOpen(const SectionKey& key) const { return ready_ && !key.file_.empty(); }
    bool ReadValue(const SectionKey& key, std::string_view name, std::string& out) const;

    std::string maker_;
    std::string product_;
    std::string version_;
    Roots roots_;
    bool ready_ = false;
};

}  // namespace zolt

#include "settings/registry_store.h"

namespace zolt {

RegistryStore::Roots RegistryStore::DefaultRoots() { return {}; }
RegistryStore::RegistryStore(std::string maker, std::string product, std::string version, Roots roots)
    : maker_(std::move(maker)), product_(std::move(product)), version_(std::move(version)), roots_(std::move(roots)) {}
std::optional<SectionKey> RegistryStore::OpenSection(std::string_view, bool) { return std::nullopt; }
bool RegistryStore::CloseSection(SectionKey&) { return false; }
bool RegistryStore::ReadString(const SectionKey&, std::string_view, std::string&) const { return false; }
bool RegistryStore::ReadInteger(const SectionKey&, std::string_view, int&) const { return false; }
bool RegistryStore::ReadBoolean(const SectionKey&, std::string_view, bool&) const { return false; }
bool RegistryStore::ValueExists(const SectionKey&, std::string_view) const { return false; }
bool RegistryStore::WriteString(const SectionKey&, std::string_view, std::string_view) { return false; }
bool RegistryStore::WriteInteger(const SectionKey&, std::string_view, int) { return false; }
bool RegistryStore::WriteBoolean(const SectionKey&, std::string_view, bool) { return false; }

}  // namespace zolt

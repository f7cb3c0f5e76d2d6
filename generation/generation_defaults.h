#pragma once

#include <functional>

namespace zolt {

class RegistryStore;
class UiSurface;

// The settings that shape every generation, and whether the two bars are shown.
struct DefaultValues {
    bool AutoGenerate = true;
    int InitialResolution = 8;
    int PenultimateResolution = 4;
    int IterativeIncrement = 25;
    int GeneratePriority = 4;
    bool ShowToolbar = true;
    bool ShowStatusbar = true;
    // Tools > Automatic Iterations: each new view's limit follows from the picture before it
    // instead of growing by the increment.
    bool AutomaticIterations = false;
    bool operator==(const DefaultValues&) const = default;
};

// A group of settings kept in one section of the store.
class SettingsSection {
  public:
    explicit SettingsSection(UiSurface& ui) : ui_(ui) {}
    virtual ~SettingsSection() = default;
    virtual bool Load(RegistryStore& store, DefaultValues& values) = 0;
    virtual bool Save(RegistryStore& store, const DefaultValues& values) = 0;
    // Without a dialog of its own a section says so.
    virtual bool Edit();

  protected:
    UiSurface& ui_;
};

class GenerationDefaults : public SettingsSection {
  public:
    // Starts from the built-in values and loads the stored ones when a store is given.
    GenerationDefaults(UiSurface& ui, RegistryStore* store);

    bool Load(RegistryStore& store, DefaultValues& values) override;
    bool Save(RegistryStore& store, const DefaultValues& values) override;
    // Runs the options editor; without one, the base behaviour. True in every case.
    bool Edit() override;

    // Writes the current values to the store, when there is one.
    bool SaveValues();

    RegistryStore* Store() const { return store_; }
    void SetEditor(std::function<void(GenerationDefaults&)> editor) { editor_ = std::move(editor); }

    DefaultValues values;

  private:
    RegistryStore* store_;
    std::function<void(GenerationDefaults&)> editor_;
};

}  // namespace zolt

#include "generation/generation_defaults.h"

#include "settings/registry_store.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {
constexpr const char* kSection = "Defaults";
}

bool SettingsSection::Edit() {
    ui_.ShowMessage("Dialog not available.");
    return true;
}

GenerationDefaults::GenerationDefaults(UiSurface& ui, RegistryStore* store)
    : SettingsSection(ui), store_(store) {
    if (store_ != nullptr)
        Load(*store_, values);
}

bool GenerationDefaults::Load(RegistryStore& store, DefaultValues& out) {
    auto key = store.OpenSection(kSection, true);
    if (!key)
        return false;
    // A value that is missing or malformed keeps what the field held.
    store.ReadBoolean(*key, "AutoGenerate", out.AutoGenerate);
    store.ReadInteger(*key, "InitialResolution", out.InitialResolution);
    store.ReadInteger(*key, "PenultimateResolution", out.PenultimateResolution);
    store.ReadInteger(*key, "IterativeIncrement", out.IterativeIncrement);
    store.ReadInteger(*key, "GeneratePriority", out.GeneratePriority);
    store.ReadBoolean(*key, "ShowToolbar", out.ShowToolbar);
    store.ReadBoolean(*key, "ShowStatusbar", out.ShowStatusbar);
    store.ReadBoolean(*key, "AutomaticIterations", out.AutomaticIterations);
    store.CloseSection(*key);
    // A block size below 1 (a hand edit) would leave the Options dialog nothing to offer and
    // nothing to accept: such a size loads as the built-in one. Any size of 1 or more is kept,
    // offered or not.
    const DefaultValues builtIn;
    if (out.InitialResolution < 1)
        out.InitialResolution = builtIn.InitialResolution;
    if (out.PenultimateResolution < 1)
        out.PenultimateResolution = builtIn.PenultimateResolution;
    return true;
}

bool GenerationDefaults::Save(RegistryStore& store, const DefaultValues& in) {
    auto key = store.OpenSection(kSection, true);
    if (!key)
        return false;
    const bool written =
        store.WriteBoolean(*key, "AutoGenerate", in.AutoGenerate) &&
        store.WriteInteger(*key, "InitialResolution", in.InitialResolution) &&
        store.WriteInteger(*key, "PenultimateResolution", in.PenultimateResolution) &&
        store.WriteInteger(*key, "IterativeIncrement", in.IterativeIncrement) &&
        store.WriteInteger(*key, "GeneratePriority", in.GeneratePriority) &&
        store.WriteBoolean(*key, "ShowToolbar", in.ShowToolbar) &&
        store.WriteBoolean(*key, "ShowStatusbar", in.ShowStatusbar) &&
        store.WriteBoolean(*key, "AutomaticIterations", in.AutomaticIterations);
    if (!written)
        ui_.ShowMessage("Failed to set registry value.");
    store.CloseSection(*key);
    return written;
}

bool GenerationDefaults::Edit() {
    if (!editor_)
        return SettingsSection::Edit();
    editor_(*this);
    return true;
}

bool GenerationDefaults::SaveValues() {
    return store_ != nullptr && Save(*store_, values);
}

}  // namespace zolt

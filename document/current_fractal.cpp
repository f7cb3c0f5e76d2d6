#include "document/current_fractal.h"

#include <new>

#include "colour/gradient.h"
#include "document/navigation_history.h"
#include "surface/command_ids.h"
#include "surface/ui_surface.h"

namespace zolt {

void CurrentFractal::EnsureInitialized() {
    if (initialized_)
        return;
    ResetDefinition(def_, ui_.ViewClientSize());
    history_.ResetHistory();
    initialized_ = true;
}

bool CurrentFractal::SetCurrent(std::string_view name, const GenerationSnapshot& numbers,
                                const Appearance& appearance, DefinitionFlags flags) {
    EnsureInitialized();
    def_.Name.Assign(name);
    SetNumbersOf(def_, numbers);
    baseIterations_ = numbers.Iterations;
    if (!CopyAppearance(appearance, def_.Appearance))
        return false;
    def_.AspectLocked = flags.aspectLocked;
    def_.Untitled = flags.untitled;
    ShowTitle();
    ui_.EnableCommands(CommandBits({kCmdSave, kCmdSaveAs, kCmdProperties, kCmdExportImage,
                                    kCmdColouring, kCmdExportMovie}),
                       true);
    return true;
}

void CurrentFractal::Rename(std::string_view name) {
    def_.Name.Assign(name);
    ShowTitle();
}

void CurrentFractal::SetNumbers(const GenerationSnapshot& numbers) {
    SetNumbersOf(def_, numbers);
}

bool CurrentFractal::SetAppearance(const Appearance& appearance) {
    return CopyAppearance(appearance, def_.Appearance);
}

bool CurrentFractal::SetColouring(const Colouring& colouring) {
    if (!ColouringProblem(colouring).empty())
        return false;
    try {
        def_.Appearance.Colouring = colouring;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CurrentFractal::MarkUntitled() {
    if (initialized_)
        def_.Untitled = true;
}

void CurrentFractal::ClearUntitled() {
    if (initialized_)
        def_.Untitled = false;
}

bool CurrentFractal::PushCurrent(bool allowed) {
    return history_.Push(def_, allowed);
}

void CurrentFractal::Release() {
    def_.Appearance.Palette.Clear();
    initialized_ = false;
}

void CurrentFractal::RefreshAspect() {
    if (!initialized_ || def_.AspectLocked)
        return;
    def_.Qfinish = DeriveQfinish(NumbersOf(def_), ui_.ViewClientSize());
}

void CurrentFractal::LockAspect() {
    if (initialized_)
        def_.AspectLocked = true;
}

void CurrentFractal::UnlockAspect() {
    if (!initialized_)
        return;
    def_.AspectLocked = false;
    RefreshAspect();
}

void CurrentFractal::ShowTitle() {
    ui_.SetTitle("Zolt - " + def_.Name.str());
}

}  // namespace zolt

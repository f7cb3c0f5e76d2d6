#include "commands/workspace.h"

#include "commands/file_dialogs.h"
#include "document/fractal_file.h"
#include "document/text_file.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// A definition that replaces what was shown: the old image goes, the new view is recorded and
// generated when automatic generation is on.
constexpr ReadyOptions kReplaced{.discard = true, .autoGenerate = true, .generate = {.push = true}};

}  // namespace

Workspace::Workspace(UiSurface& surface, RegistryStore* settings, std::function<void()> wake)
    : ui(surface),
      store(settings),
      defaults(surface, settings),
      history(surface),
      current(surface, history),
      generator(surface, current, history, defaults, std::move(wake)),
      directories(settings) {}

bool Workspace::Load(const std::string& path, bool& told) {
    told = false;
    const FractalLoad load = LoadFractalFile(path, ui.ViewClientSize(), ui.ViewColourCount());
    if (!load.content) {
        if (!load.message.empty()) {
            ui.ShowMessage(load.message);
            told = true;
        }
        return false;
    }
    if (!current.SetCurrent(PathText(path).BaseName(), load.content->numbers,
                            load.content->appearance, {}))
        return false;
    ui.InvalidateView();
    generator.Ready(kReplaced);
    return true;
}

bool Workspace::Write(const std::string& path) {
    const auto lines = FractalFileLines(current.Definition());
    if (!lines || !WriteTextFile(path, *lines))
        return false;
    // The aspect lock is left alone: it belongs to a generation that may still run, and
    // unlocking it would let a resize or a zoom change the view under it.
    current.Rename(PathText(path).BaseName());
    current.ClearUntitled();
    return true;
}

bool Workspace::Open(FileDialogs& dialogs) {
    const auto chosen = dialogs.AskOpen(directories.StartDirectory(DirectoryKind::Open));
    if (!chosen || chosen->empty())
        return false;
    directories.Chosen(DirectoryKind::Open, *chosen);
    bool told = false;
    if (Load(*chosen, told))
        return true;
    // Whatever kept the file from loading, the user hears of it, once.
    if (!told)
        ui.ShowMessage("Failed to open file.");
    return false;
}

bool Workspace::OpenNamed(std::string_view path) {
    bool told = false;
    if (!directories.OpenedByName(path) || !Load(std::string(path), told)) {
        ui.ShowMessage("Failed to open file.");
        return false;
    }
    return true;
}

bool Workspace::Save(FileDialogs& dialogs) {
    const FractalDef& def = current.Definition();
    if (def.Untitled)
        return SaveAs(dialogs);
    const auto path = directories.SavePath(SaveFileName(def.Name.str()));
    if (!path || !Write(*path)) {
        ui.ShowMessage("Failed to save file.");
        return false;
    }
    return true;
}

bool Workspace::SaveAs(FileDialogs& dialogs) {
    const auto chosen = dialogs.AskSave(directories.StartDirectory(DirectoryKind::Save),
                                        SafeFileStem(current.Definition().Name.str()));
    if (!chosen || chosen->empty())
        return false;
    // A file that was not written leaves the name, the title and the save directory as they
    // were, and says so.
    if (!Write(*chosen)) {
        ui.ShowMessage("Failed to save file.");
        return false;
    }
    directories.Chosen(DirectoryKind::Save, *chosen);
    return true;
}

void Workspace::Home() {
    current.SetNumbers(HomeView(ui.ViewClientSize()));
    generator.Ready(kReplaced);
}

void Workspace::Step(int direction) {
    if (history.Count() == 0)
        return;
    history.SetCurrent(history.Current() + direction);
    history.UpdateNavigationCommands(!generator.IsRunning());
    history.ShowPosition();
    // The entry takes the proportions of the view as it is now, and keeps them.
    FractalDef& entry = history.Entry(history.Current());
    entry.Qfinish = DeriveQfinish(NumbersOf(entry), ui.ViewClientSize());
    current.Rename(entry.Name.str());
    current.SetNumbers(NumbersOf(entry));
    current.SetAppearance(entry.Appearance);
    // The view is in the history already.
    generator.Ready({.discard = true, .autoGenerate = true});
}

std::string JoinCommandLine(std::span<const char* const> arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size() && arguments[i] != nullptr; ++i) {
        if (i > 0)
            text += ' ';
        text += arguments[i];
    }
    return text;
}

}  // namespace zolt

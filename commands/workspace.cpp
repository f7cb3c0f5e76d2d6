#include "commands/workspace.h"

#include <algorithm>
#include <cctype>

#include "commands/file_dialogs.h"
#include "document/fractal_file.h"
#include "document/text_file.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// A definition that replaces what was shown: the old image goes, the new view is recorded and
// generated when automatic generation is on.
constexpr ReadyOptions kReplaced{.discard = true, .autoGenerate = true, .generate = {.push = true}};

// "Failed to open file." and why, as a sentence of its own.
std::string OpenFailure(std::string reason) {
    if (reason.empty())
        return "Failed to open file.";
    reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    if (reason.back() != '.')
        reason += '.';
    return "Failed to open file. " + reason;
}

}  // namespace

Workspace::Workspace(UiSurface& surface, RegistryStore* settings, std::function<void()> wake)
    : ui(surface),
      store(settings),
      defaults(surface, settings),
      history(surface),
      current(surface, history),
      generator(surface, current, history, defaults, std::move(wake)),
      directories(settings) {}

bool Workspace::Load(const std::string& path) {
    const FractalLoad load = LoadFractalFile(path, ui.ViewClientSize(), ui.ViewColourCount());
    if (!load.content) {
        ui.ShowMessage(load.message.empty() ? OpenFailure(load.reason) : load.message);
        return false;
    }
    // A file whose view cannot be drawn is not opened: what is shown stays as it was.
    if (!generator.Accepts(load.content->numbers, kReplaced.generate))
        return false;
    if (!current.SetCurrent(PathText(path).BaseName(), load.content->numbers,
                            load.content->appearance, {})) {
        ui.ShowMessage(OpenFailure("out of memory"));
        return false;
    }
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
    return Load(*chosen);
}

bool Workspace::OpenNamed(std::string_view path) {
    if (!directories.OpenedByName(path)) {
        ui.ShowMessage("Failed to open file.");
        return false;
    }
    return Load(std::string(path));
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
    const int to = std::clamp(history.Current() + direction, 1, history.Count());
    // An entry the view cannot draw now (the window grew, memory shrank) is not stepped to.
    GenerationSnapshot numbers = NumbersOf(history.Entry(to));
    numbers.Qfinish = DeriveQfinish(numbers, ui.ViewClientSize());
    if (!generator.Accepts(numbers, {}))
        return;
    history.SetCurrent(to);
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

#include "commands/file_commands.h"

#include "commands/app_context.h"
#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "generation/generator.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// A new definition from a file replaces whatever was shown or generated.
void ReadyAfterLoad(AppContext& app) {
    app.generator.Ready(/*discard=*/true, /*autoGenerate=*/true, /*push=*/true,
                        /*increment=*/false);
}

}  // namespace

bool OpenFractal(AppContext& app, FractalFile& file, FileDialogs& dialogs) {
    if (!file.OpenWithDialog(app.store, dialogs))
        return false;
    ReadyAfterLoad(app);
    return true;
}

bool OpenNamedFile(AppContext& app, FractalFile& file, std::string_view path) {
    if (!file.OpenPath(app.store, path)) {
        app.ui.ShowMessage("Failed to open file.");
        return false;
    }
    ReadyAfterLoad(app);
    return true;
}

bool SaveFractal(AppContext& app, FractalFile& file, FileDialogs& dialogs) {
    const FractalDef& def = app.current.Definition();
    if (def.Untitled)
        return SaveFractalAs(app, file, dialogs);
    if (!file.SaveInSaveDirectory(app.store, SaveFileName(def.Name.str()))) {
        app.ui.ShowMessage("Failed to save file.");
        return false;
    }
    return true;
}

bool SaveFractalAs(AppContext& app, FractalFile& file, FileDialogs& dialogs) {
    return file.SaveWithDialog(app.store, dialogs,
                               SafeFileStem(app.current.Definition().Name.str()));
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

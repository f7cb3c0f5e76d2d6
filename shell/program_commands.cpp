#include "shell/program_commands.h"

#include <QCoreApplication>

#include "commands/file_commands.h"
#include "dialogs/about_dialog.h"
#include "dialogs/fractal_commands.h"
#include "dialogs/options_dialog.h"
#include "shell/main_window.h"
#include "shell/zolt_application.h"

namespace zolt {

ProgramCommands::ProgramCommands(ZoltApplication& app)
    : app_(app),
      file_(app.Current(), app.Surface()),
      dialogs_(app.GetMainWindow()),
      about_(std::make_unique<AboutDialog>(QCoreApplication::instance(), app.Surface(),
                                           app.GetMainWindow())) {
    AppContext& context = *app.Context();
    QWidget* window = app.GetMainWindow();
    CommandHooks& hooks = app.Hooks();
    hooks.newFractal = [&context, window] { NewFractal(context, window); };
    hooks.properties = [&context, window] { EditProperties(context, window); };
    hooks.open = [this, &context] { OpenFractal(context, file_, dialogs_); };
    hooks.save = [this, &context] { SaveFractal(context, file_, dialogs_); };
    hooks.saveAs = [this, &context] { SaveFractalAs(context, file_, dialogs_); };
    hooks.about = [this] { about_->Run(); };
    hooks.openCommandLine = [this, &context](std::span<const char* const> arguments) {
        if (const std::string path = JoinCommandLine(arguments); !path.empty())
            OpenNamedFile(context, file_, path);
    };
    InstallOptionsDialog(context.defaults, app.Surface(), window);
}

ProgramCommands::~ProgramCommands() {
    // The hooks point into this object: nothing may reach them once it is gone.
    app_.Hooks() = {};
}

}  // namespace zolt

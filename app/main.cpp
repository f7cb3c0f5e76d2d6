// zolt: the desktop program.

#include <QApplication>
#include <span>

#include "shell/zolt_application.h"

namespace {

// The commands whose work is built outside the shell. Each one is connected with one line
// here, through the hooks:
//   hooks.newFractal, hooks.open, hooks.save, hooks.saveAs, hooks.properties, hooks.about,
//   and hooks.openCommandLine for a file named on the command line.
// Options runs the generation defaults' editor: context.defaults.SetEditor(...).
// Until a hook is set its command does nothing.
void ConnectCommands(zolt::CommandHooks& hooks, zolt::AppContext& context) {
    (void)hooks;
    (void)context;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zolt"));
    QApplication::setDesktopFileName(QStringLiteral("zolt"));

    zolt::ZoltApplication app;
    if (!app.InitInstance()) {
        app.DestroyAppObjects();
        return 0;
    }
    ConnectCommands(app.Hooks(), *app.Context());
    app.ShowMainWindow();
    app.OpenCommandLine(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
    return QApplication::exec();
}

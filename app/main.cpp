// zolt: the desktop program.

#include <QApplication>
#include <span>

#include "shell/zolt_application.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zolt"));
    QApplication::setDesktopFileName(QStringLiteral("zolt"));

    zolt::ZoltApplication app;
    if (!app.InitInstance()) {
        app.DestroyAppObjects();
        return 0;
    }
    app.ShowMainWindow();
    app.OpenCommandLine(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
    return QApplication::exec();
}

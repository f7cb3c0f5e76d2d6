// zolt: the desktop program.

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <span>
#include <string_view>

#include "shell/zolt_application.h"

namespace {

// --help and --version are answered on the terminal, without a window or even a screen. Every
// other argument is part of the name of the file to open, whatever it looks like.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help" || argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

int AnswerHelpOrVersion(int argc, char** argv) {
    QCoreApplication terminal(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zolt"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Explore the Mandelbrot set."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A fractal file (.zlt) or a picture Zolt made, to open at start."));
    parser.process(terminal);  // prints the answer and exits with 0
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelpOrVersion(argc, argv))
        return AnswerHelpOrVersion(argc, argv);

    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zolt"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Zolt"));

    zolt::ZoltApplication app;
    if (!app.InitInstance()) {
        app.DestroyAppObjects();
        return 0;
    }
    app.ShowMainWindow();
    app.OpenCommandLine(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
    return QApplication::exec();
}

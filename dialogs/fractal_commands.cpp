#include "dialogs/fractal_commands.h"

#include <QApplication>

#include "commands/app_context.h"
#include "dialogs/fractal_dialog.h"
#include "generation/generator.h"

namespace zolt {

namespace {

bool RunFractalDialog(AppContext& app, QWidget* parent, int mode) {
    FractalDialog dialog(QCoreApplication::instance(), app.ui, app.current, parent);
    dialog.RunInMode(mode);
    return dialog.WasAccepted();
}

}  // namespace

bool NewFractal(AppContext& app, QWidget* parent) {
    if (!RunFractalDialog(app, parent, kNewFractalMode))
        return false;
    app.generator.Ready(true, true, true, false);
    return true;
}

bool EditProperties(AppContext& app, QWidget* parent) {
    if (!RunFractalDialog(app, parent, kPropertiesMode))
        return false;
    app.generator.Ready(true, true, true, true);
    return true;
}

}  // namespace zolt

#include "dialogs/fractal_commands.h"

#include <QApplication>

#include "commands/workspace.h"
#include "dialogs/fractal_dialog.h"

namespace zolt {

namespace {

bool RunFractalDialog(Workspace& workspace, QWidget* parent, int mode) {
    FractalDialog dialog(QCoreApplication::instance(), workspace.ui, workspace.current, parent,
                         &workspace.generator);
    dialog.RunInMode(mode);
    return dialog.WasAccepted();
}

}  // namespace

bool NewFractal(Workspace& workspace, QWidget* parent) {
    if (!RunFractalDialog(workspace, parent, kNewFractalMode))
        return false;
    workspace.generator.Ready({.discard = true, .autoGenerate = true, .generate = {.push = true}});
    return true;
}

bool EditProperties(Workspace& workspace, QWidget* parent) {
    if (!RunFractalDialog(workspace, parent, kPropertiesMode))
        return false;
    workspace.generator.Ready(
        {.discard = true, .autoGenerate = true, .generate = {.push = true, .increment = true}});
    return true;
}

}  // namespace zolt

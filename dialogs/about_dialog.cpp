#include "dialogs/about_dialog.h"

#include <QDialog>

#include "dialogs/about_layout.h"
#include "dialogs/dialog_controls.h"

namespace zolt {

AboutDialog::AboutDialog(QCoreApplication* instance, UiSurface& ui, QWidget* owner)
    : ModalDialog(instance, "AboutDlg", ui, owner) {}

bool AboutDialog::OnMessage(QDialog& window, DialogMessage message, int /*control*/) {
    if (message != DialogMessage::Init)
        return false;
    SetControlText(window, kVersionLabelId, "Zolt 1.0");
    // The version text is longer than the template's: measure it before the layout runs.
    if (QWidget* version = FindControl(window, kVersionLabelId))
        version->resize(version->sizeHint());
    CentreWindow(nullptr, window);
    return true;
}

void AboutDialog::OnSize(QDialog& window) {
    ApplyLayout(window, &LayOutAbout, nullptr);
}

}  // namespace zolt

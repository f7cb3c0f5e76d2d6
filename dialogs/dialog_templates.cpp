#include "dialogs/dialog_templates.h"

#include <QWidget>

namespace zolt {

namespace {
// Far smaller than any content: the first layout always enlarges the window.
constexpr int kPlaceholderWidth = 60;
constexpr int kPlaceholderHeight = 40;
}  // namespace

bool BuildDialogTemplate(const std::string& name, QDialog& dialog) {
    void (*build)(QDialog&) = nullptr;
    if (name == "ObjectDlg")
        build = &BuildObjectTemplate;
    else if (name == "DefaultsDlg")
        build = &BuildDefaultsTemplate;
    else if (name == "AboutDlg")
        build = &BuildAboutTemplate;
    if (build == nullptr)
        return false;
    dialog.setObjectName(QString::fromStdString(name));
    dialog.setFixedSize(kPlaceholderWidth, kPlaceholderHeight);
    build(dialog);
    SizeControlsNaturally(dialog);
    return true;
}

void SizeControlsNaturally(QDialog& dialog) {
    // The style decides the natural sizes, so it must have seen the controls first.
    dialog.ensurePolished();
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->size() != control->sizeHint())
            control->resize(control->sizeHint());
    }
}

}  // namespace zolt

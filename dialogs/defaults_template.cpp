#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dialog_fit.h"
#include "dialogs/dialog_templates.h"
#include "dialogs/options_layout.h"

namespace zolt {

namespace {

QComboBox* AddSizeList(QDialog& dialog, int id) {
    auto* list = AddControl<QComboBox>(dialog, id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(2);
    return list;
}

QLabel* AddCentredLabel(QDialog& dialog, int id, const char* text) {
    auto* label = AddControl<QLabel>(dialog, id, text);
    label->setAlignment(Qt::AlignCenter);
    // The row places the lists and labels edge to edge; the labels carry the spacing.
    label->setContentsMargins(6, 0, 6, 0);
    return label;
}

}  // namespace

// The options dialog: automatic generation, the resolution range and the iterative increment.
void BuildDefaultsTemplate(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle("Options");

    AddControl<QGroupBox>(dialog, kOperationGroupId, "Operation");
    AddControl<QCheckBox>(dialog, kAutoGenerateId, "Auto generate");
    AddControl<QGroupBox>(dialog, kResolutionGroupId, "Resolution range");
    AddSizeList(dialog, kInitialResolutionId);
    AddCentredLabel(dialog, kToLabelId, "to");
    AddSizeList(dialog, kPenultimateResolutionId);
    AddCentredLabel(dialog, kToOneLabelId, "to 1");
    AddControl<QGroupBox>(dialog, kIncrementGroupId, "Accuracy");
    AddControl<QLabel>(dialog, kIncrementLabelId, "Iterative increment:");
    AddControl<QLineEdit>(dialog, kIncrementId);

    AddControl<QPushButton>(dialog, kOkId, "&OK")->setDefault(true);
    AddControl<QPushButton>(dialog, kCancelId, "&Cancel");
}

}  // namespace zolt

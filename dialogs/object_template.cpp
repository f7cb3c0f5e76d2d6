#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dialog_fit.h"
#include "dialogs/dialog_templates.h"
#include "dialogs/properties_layout.h"

namespace zolt {

// The fractal properties dialog: name, coordinates, accuracy and appearance.
void BuildObjectTemplate(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    AddControl<QGroupBox>(dialog, kNameGroupId, "Name");
    // Longer names would be cut when accepted; stopping the typing shows the cut at once.
    AddControl<QLineEdit>(dialog, kNameId)->setMaxLength(19);

    AddControl<QGroupBox>(dialog, kCoordinatesGroupId, "Coordinates");
    AddControl<QLabel>(dialog, kPstartLabelId, "Pstart:");
    AddControl<QLineEdit>(dialog, kPstartId);
    AddControl<QLabel>(dialog, kPfinishLabelId, "Pfinish:");
    AddControl<QLineEdit>(dialog, kPfinishId);
    AddControl<QLabel>(dialog, kQstartLabelId, "Qstart:");
    AddControl<QLineEdit>(dialog, kQstartId);
    AddControl<QLabel>(dialog, kQfinishLabelId, "Qfinish:");
    AddControl<QLineEdit>(dialog, kQfinishId);

    AddControl<QGroupBox>(dialog, kAccuracyGroupId, "Accuracy");
    AddControl<QLabel>(dialog, kIterationsLabelId, "Iterations:");
    AddControl<QLineEdit>(dialog, kIterationsId);
    AddControl<QLabel>(dialog, kEscapeLabelId, "Escape:");
    AddControl<QLineEdit>(dialog, kEscapeId);

    AddControl<QGroupBox>(dialog, kAppearanceGroupId, "Appearance");
    AddControl<QCheckBox>(dialog, kMonochromeId, "Monochrome");
    AddControl<QLabel>(dialog, kModulationLabelId, "Modulation:");
    AddControl<QLineEdit>(dialog, kModulationId);
    AddControl<QLabel>(dialog, kColoursLabelId, "Colours:");
    auto* colours = AddControl<QComboBox>(dialog, kColoursId);
    // Wide enough for "256" before the list is filled.
    colours->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    colours->setMinimumContentsLength(4);

    AddControl<QPushButton>(dialog, kOkId, "&OK")->setDefault(true);
    AddControl<QPushButton>(dialog, kCancelId, "&Cancel");
}

}  // namespace zolt

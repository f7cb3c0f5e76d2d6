#pragma once

#include "dialogs/dialog_fit.h"

namespace zolt {

// Control ids of the fractal properties dialog.
enum PropertiesControl : int {
    kNameGroupId = 301,
    kNameId = 302,
    kPstartLabelId = 303,
    kPstartId = 304,
    kPfinishLabelId = 305,
    kPfinishId = 306,
    kQstartLabelId = 307,
    kQstartId = 308,
    kQfinishLabelId = 309,
    kQfinishId = 310,
    kIterationsLabelId = 311,
    kIterationsId = 312,
    kEscapeLabelId = 313,
    kEscapeId = 314,
    kCoordinatesGroupId = 315,
    kAccuracyGroupId = 316,
    kAppearanceGroupId = 317,
    kMonochromeId = 318,
    kModulationLabelId = 319,
    kModulationId = 320,
    kColoursLabelId = 322,
    kColoursId = 323,
};

// Name, coordinates, accuracy and appearance in four framed groups stacked from the top, each
// field beside its label, with OK and Cancel below.
DialogLayout LayOutProperties(LayoutSize client, const ControlSizes& sizes);

}  // namespace zolt

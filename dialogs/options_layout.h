#pragma once

#include "dialogs/dialog_fit.h"

namespace zolt {

// Control ids of the options dialog.
enum OptionsControl : int {
    kResolutionGroupId = 401,
    kInitialResolutionId = 402,
    kPenultimateResolutionId = 403,
    kToLabelId = 404,
    kToOneLabelId = 405,
    kAutoGenerateId = 406,
    kOperationGroupId = 407,
    kIncrementGroupId = 408,
    kIncrementLabelId = 409,
    kIncrementId = 410,
};

// Three framed groups stacked from the top: the auto-generate check box, the resolution range
// read as one line ("8 to 4 to 1") and the iterative increment, with OK and Cancel below.
DialogLayout LayOutOptions(LayoutSize client, const ControlSizes& sizes);

}  // namespace zolt

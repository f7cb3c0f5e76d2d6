#pragma once

#include "dialogs/dialog_fit.h"

namespace zolt {

// Control ids of the about dialog.
enum AboutControl : int {
    kPictureId = 200,
    kVersionLabelId = 501,
    kCreditLabelId = 502,
    kDateLabelId = 503,
};

inline constexpr int kPictureSize = 64;

// The 64-pixel picture at the top left, the three lines of text in a column beside it spread
// over its height, and the OK button along the bottom from the picture's right edge.
DialogLayout LayOutAbout(LayoutSize client, const ControlSizes& sizes);

}  // namespace zolt

#pragma once

#include "dialogs/layout_geometry.h"

namespace zolt {

inline constexpr int kOkId = 1;
inline constexpr int kCancelId = 2;
inline constexpr int kDialogMargin = 10;

// The outcome of one layout: where the controls go, and how much room they take.
struct DialogLayout {
    ControlPlaces places;
    int neededWidth = 0;    // client width the content needs
    int contentHeight = 0;  // client height the content needs above the buttons
};

// Lays a dialog's controls out for a client area of the given size.
using LayoutFunction = DialogLayout (*)(LayoutSize client, const ControlSizes& sizes);

// What the end of every layout decides about the window itself.
struct DialogFit {
    LayoutSize client;      // never smaller than before
    bool recentre = false;  // the window grew and should be centred again
};

// Widens the client area to the needed width and heightens it so that the content fits above
// the OK button with a margin below it. A dialog only ever grows here, never shrinks.
DialogFit FitDialog(LayoutSize client, int neededWidth, int contentHeight, int okHeight);

// OK and Cancel along the bottom edge, right-aligned, a margin apart.
void PlaceOkAndCancel(LayoutSize client, const ControlSizes& sizes, ControlPlaces& places);

// The layout for the final client size, after growing the dialog as often as its content asks.
struct SettledLayout {
    DialogLayout layout;
    LayoutSize client;
    bool resized = false;
    bool recentre = false;
};

// Runs the layout, fits the dialog to it and runs it again on the new size until nothing
// changes, as a window that is resized lays itself out afresh.
SettledLayout SettleLayout(LayoutSize client, const ControlSizes& sizes, LayoutFunction layOut);

}  // namespace zolt

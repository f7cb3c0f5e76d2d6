#include "dialogs/dialog_fit.h"

namespace zolt {

DialogFit FitDialog(LayoutSize client, int neededWidth, int contentHeight, int okHeight) {
    DialogFit fit{client, false};
    bool widened = false;
    if (client.width < neededWidth) {
        fit.client.width = neededWidth;
        widened = true;
    }
    const int available = client.height - okHeight - kDialogMargin;
    if (available < contentHeight) {
        fit.client.height = client.height + (contentHeight - available);
        fit.recentre = true;
    } else {
        fit.recentre = widened;
    }
    return fit;
}

void PlaceOkAndCancel(LayoutSize client, const ControlSizes& sizes, ControlPlaces& places) {
    const LayoutSize ok = sizes.at(kOkId);
    const LayoutSize cancel = sizes.at(kCancelId);
    const LayoutRect cancelPlace{client.width - kDialogMargin - cancel.width,
                                 client.height - kDialogMargin - cancel.height, cancel.width,
                                 cancel.height};
    places[kCancelId] = cancelPlace;
    places[kOkId] = {cancelPlace.x - kDialogMargin - ok.width,
                     client.height - kDialogMargin - ok.height, ok.width, ok.height};
}

SettledLayout SettleLayout(LayoutSize client, const ControlSizes& sizes, LayoutFunction layOut) {
    SettledLayout settled;
    settled.client = client;
    // Each round can only grow the dialog, and the needed size does not grow with it, so two
    // rounds settle every layout; the bound only guards against a layout that misbehaves.
    for (int round = 0; round < 8; ++round) {
        settled.layout = layOut(settled.client, sizes);
        const DialogFit fit = FitDialog(settled.client, settled.layout.neededWidth,
                                        settled.layout.contentHeight, sizes.at(kOkId).height);
        if (fit.client == settled.client)
            break;
        settled.client = fit.client;
        settled.resized = true;
        settled.recentre = settled.recentre || fit.recentre;
    }
    return settled;
}

}  // namespace zolt

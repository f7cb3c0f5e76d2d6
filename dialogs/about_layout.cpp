#include "dialogs/about_layout.h"

#include <algorithm>

namespace zolt {

DialogLayout LayOutAbout(LayoutSize client, const ControlSizes& sizes) {
    DialogLayout out;
    ControlPlaces& at = out.places;
    constexpr int kTextX = kDialogMargin + kPictureSize + 10;

    at[kPictureId] = {kDialogMargin, kDialogMargin, kPictureSize, kPictureSize};

    // Three lines spread over the picture's height. With lines taller than a third of the
    // picture the spread would come out smaller than a line and the lines would overlap, so
    // they are never closer than one line apart.
    const int h = sizes.at(kVersionLabelId).height;
    const int step = std::max(h, h + (kPictureSize - 3 * h) / 2);
    int needed = 0;
    int row = 0;
    for (int id : {kVersionLabelId, kCreditLabelId, kDateLabelId}) {
        const LayoutSize label = sizes.at(id);
        at[id] = {kTextX, row * step + kDialogMargin, label.width, label.height};
        needed = std::max(needed, label.width + kTextX + kDialogMargin);
        ++row;
    }
    out.neededWidth = needed;
    out.contentHeight = 3 * step + 2 * kDialogMargin;

    // One OK button under the text, from the picture's right edge to the right margin.
    const int okHeight = sizes.at(kOkId).height;
    at[kOkId] = {kDialogMargin + kPictureSize, client.height - kDialogMargin - okHeight,
                 NotNegative(client.width - kTextX), okHeight};
    return out;
}

}  // namespace zolt

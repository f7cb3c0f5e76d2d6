#include "dialogs/options_layout.h"

#include <algorithm>

namespace zolt {

DialogLayout LayOutOptions(LayoutSize client, const ControlSizes& sizes) {
    const int w = client.width;
    auto size = [&sizes](int id) { return sizes.at(id); };
    DialogLayout out;
    ControlPlaces& at = out.places;

    const LayoutSize autoGenerate = size(kAutoGenerateId);
    at[kAutoGenerateId] = {20, 25, autoGenerate.width, autoGenerate.height};
    at[kOperationGroupId] = {10, 5, NotNegative(w - 20), autoGenerate.height + 32};

    // The resolution range reads left to right as one sentence.
    const int rowY = autoGenerate.height + 67;
    const LayoutSize initial = size(kInitialResolutionId);
    const LayoutSize to = size(kToLabelId);
    const LayoutSize penultimate = size(kPenultimateResolutionId);
    const LayoutSize toOne = size(kToOneLabelId);
    at[kInitialResolutionId] = {20, rowY, initial.width, initial.height};
    at[kToLabelId] = {20 + initial.width, rowY + 3, to.width, to.height};
    at[kPenultimateResolutionId] = {20 + initial.width + to.width, rowY, penultimate.width,
                                    penultimate.height};
    at[kToOneLabelId] = {at[kPenultimateResolutionId].Right() + 3, rowY + 3, toOne.width,
                         toOne.height};
    at[kResolutionGroupId] = {10, autoGenerate.height + 47, NotNegative(w - 20),
                              initial.height + 32};

    const int incrementY = autoGenerate.height + initial.height + 109;
    const LayoutSize label = size(kIncrementLabelId);
    const LayoutSize increment = size(kIncrementId);
    at[kIncrementLabelId] = {20, incrementY + 3, label.width, label.height};
    at[kIncrementId] = {label.width + 25, incrementY, increment.width, increment.height};
    at[kIncrementGroupId] = {10, autoGenerate.height + initial.height + 89, NotNegative(w - 20),
                             increment.height + 32};

    out.neededWidth =
        std::max({0, autoGenerate.width + 40, initial.width + 40,
                  at[kPenultimateResolutionId].x + 20, at[kPenultimateResolutionId].Right() + 20,
                  at[kToOneLabelId].Right() + 20, label.width + increment.width + 45});
    out.contentHeight = incrementY + increment.height + 22;
    PlaceOkAndCancel(client, sizes, at);
    return out;
}

}  // namespace zolt

#include "dialogs/properties_layout.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zolt {

DialogLayout LayOutProperties(LayoutSize client, const ControlSizes& sizes) {
    const int w = client.width;
    auto size = [&sizes](int id) { return sizes.at(id); };
    DialogLayout out;
    ControlPlaces& at = out.places;
    int needed = 0;

    const int nameHeight = size(kNameId).height;
    at[kNameId] = {20, 25, NotNegative(w - 40), nameHeight};
    at[kNameGroupId] = {10, 5, NotNegative(w - 20), nameHeight + 32};
    needed = std::max(needed, at[kNameId].width + 40);

    // The coordinate rows: a label with its edit field stretched to the group's right edge.
    constexpr std::array<std::pair<int, int>, 4> kRows{{{kPstartLabelId, kPstartId},
                                                        {kPfinishLabelId, kPfinishId},
                                                        {kQstartLabelId, kQstartId},
                                                        {kQfinishLabelId, kQfinishId}}};
    int y = nameHeight + 67;
    for (const auto& [labelId, editId] : kRows) {
        const LayoutSize label = size(labelId);
        at[labelId] = {20, y + 3, label.width, label.height};
        at[editId] = {label.width + 25, y, NotNegative(w - label.width - 45), size(editId).height};
        needed = std::max(needed, label.width + at[editId].width + 45);
        y += at[editId].height + 2;
    }
    const int b = y;  // below the last row
    at[kCoordinatesGroupId] = {10, nameHeight + 47, NotNegative(w - 20), b - nameHeight - 37};

    // Accuracy: iterations and escape, fields of their own size.
    const int top = b + 20;
    const LayoutSize iterationsLabel = size(kIterationsLabelId);
    const LayoutSize iterations = size(kIterationsId);
    at[kIterationsLabelId] = {20, top + 23, iterationsLabel.width, iterationsLabel.height};
    at[kIterationsId] = {iterationsLabel.width + 25, top + 20, iterations.width, iterations.height};
    const int escapeY = top + iterations.height + 22;
    const LayoutSize escapeLabel = size(kEscapeLabelId);
    const LayoutSize escape = size(kEscapeId);
    at[kEscapeLabelId] = {20, escapeY + 3, escapeLabel.width, escapeLabel.height};
    at[kEscapeId] = {escapeLabel.width + 25, escapeY, escape.width, escape.height};
    at[kAccuracyGroupId] = {10, top, NotNegative(w - 20), iterations.height + escape.height + 34};
    needed = std::max({needed, iterationsLabel.width + iterations.width + 45,
                       escapeLabel.width + escape.width + 45});

    // Appearance: the check box, then modulation and colours indented below it.
    const int appearanceY = escapeY + escape.height + 22;
    const LayoutSize monochrome = size(kMonochromeId);
    at[kMonochromeId] = {20, appearanceY + 20, monochrome.width, monochrome.height};
    const int modulationY = appearanceY + monochrome.height + 22;
    const LayoutSize modulationLabel = size(kModulationLabelId);
    const LayoutSize modulation = size(kModulationId);
    at[kModulationLabelId] = {55, modulationY + 3, modulationLabel.width, modulationLabel.height};
    at[kModulationId] = {modulationLabel.width + 60, modulationY, modulation.width,
                         modulation.height};
    const int coloursY = modulationY + modulation.height + 2;
    const LayoutSize coloursLabel = size(kColoursLabelId);
    const LayoutSize colours = size(kColoursId);
    at[kColoursLabelId] = {55, coloursY + 3, coloursLabel.width, coloursLabel.height};
    at[kColoursId] = {coloursLabel.width + 60, coloursY, colours.width, colours.height};
    at[kAppearanceGroupId] = {10, appearanceY, NotNegative(w - 20),
                              monochrome.height + modulation.height + colours.height + 36};
    needed = std::max({needed, monochrome.width + 40, modulationLabel.width + modulation.width + 80,
                       coloursLabel.width + colours.width + 80});

    out.neededWidth = needed;
    out.contentHeight = coloursY + colours.height + 22;
    PlaceOkAndCancel(client, sizes, at);
    return out;
}

}  // namespace zolt

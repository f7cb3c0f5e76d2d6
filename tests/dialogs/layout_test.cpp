#include <gtest/gtest.h>

#include "dialogs/about_layout.h"
#include "dialogs/centre_position.h"
#include "dialogs/options_layout.h"
#include "dialogs/properties_layout.h"

namespace zolt {
namespace {

TEST(CentredPosition, CentresOverTheReferenceAndTruncatesTowardZero) {
    EXPECT_EQ(CentredPosition({0, 0, 1024, 768}, {760, 710}), (LayoutPoint{132, 29}));
    // 101 pixels wider than the reference: -101 / 2 is -50, not -51.
    EXPECT_EQ(CentredPosition({300, 200, 400, 300}, {501, 300}), (LayoutPoint{250, 200}));
    EXPECT_EQ(CentredPosition({300, 200, 400, 300}, {400, 403}), (LayoutPoint{300, 149}));
}

TEST(FitDialog, WidensHeightensAndNeverShrinks) {
    // Wide and tall enough: nothing changes, no re-centring.
    DialogFit fit = FitDialog({300, 200}, 250, 150, 30);
    EXPECT_EQ(fit.client, (LayoutSize{300, 200}));
    EXPECT_FALSE(fit.recentre);
    // Too narrow only: widened to the needed width and re-centred.
    fit = FitDialog({200, 200}, 250, 150, 30);
    EXPECT_EQ(fit.client, (LayoutSize{250, 200}));
    EXPECT_TRUE(fit.recentre);
    // Too low: the content plus the OK button plus a 10-pixel margin.
    fit = FitDialog({300, 100}, 0, 150, 30);
    EXPECT_EQ(fit.client, (LayoutSize{300, 190}));
    EXPECT_TRUE(fit.recentre);
    // Exactly enough height is enough.
    fit = FitDialog({300, 190}, 0, 150, 30);
    EXPECT_EQ(fit.client, (LayoutSize{300, 190}));
    EXPECT_FALSE(fit.recentre);
}

ControlSizes ButtonSizes() {
    return {{kOkId, {75, 23}}, {kCancelId, {80, 23}}};
}

ControlSizes PropertiesSizes() {
    ControlSizes s = ButtonSizes();
    s[kNameId] = {100, 20};
    s[kPstartLabelId] = {40, 13};
    s[kPfinishLabelId] = {42, 13};
    s[kQstartLabelId] = {40, 13};
    s[kQfinishLabelId] = {44, 13};
    for (int id : {kPstartId, kPfinishId, kQstartId, kQfinishId})
        s[id] = {50, 20};
    s[kIterationsLabelId] = {50, 13};
    s[kIterationsId] = {60, 20};
    s[kEscapeLabelId] = {40, 13};
    s[kEscapeId] = {70, 21};
    s[kMonochromeId] = {80, 16};
    s[kModulationLabelId] = {60, 13};
    s[kModulationId] = {150, 20};
    s[kColoursLabelId] = {45, 13};
    s[kColoursId] = {70, 22};
    for (int id : {kNameGroupId, kCoordinatesGroupId, kAccuracyGroupId, kAppearanceGroupId})
        s[id] = {10, 10};
    return s;
}

TEST(PropertiesLayout, StacksTheGroupsByTheirContent) {
    const DialogLayout layout = LayOutProperties({400, 500}, PropertiesSizes());
    const ControlPlaces& at = layout.places;
    EXPECT_EQ(at.at(kNameId), (LayoutRect{20, 25, 360, 20}));
    EXPECT_EQ(at.at(kNameGroupId), (LayoutRect{10, 5, 380, 52}));
    // Rows start at h(302) + 67 = 87 and follow each other by edit height + 2.
    EXPECT_EQ(at.at(kPstartLabelId), (LayoutRect{20, 90, 40, 13}));
    EXPECT_EQ(at.at(kPstartId), (LayoutRect{65, 87, 315, 20}));
    EXPECT_EQ(at.at(kPfinishId), (LayoutRect{67, 109, 313, 20}));
    EXPECT_EQ(at.at(kQfinishId), (LayoutRect{69, 153, 311, 20}));
    // b = 153 + 20 + 2 = 175; the group runs from h(302) + 47 = 67 with height b - 20 - 37.
    EXPECT_EQ(at.at(kCoordinatesGroupId), (LayoutRect{10, 67, 380, 118}));
    // B = 195.
    EXPECT_EQ(at.at(kAccuracyGroupId), (LayoutRect{10, 195, 380, 20 + 21 + 34}));
    EXPECT_EQ(at.at(kIterationsLabelId), (LayoutRect{20, 218, 50, 13}));
    EXPECT_EQ(at.at(kIterationsId), (LayoutRect{75, 215, 60, 20}));
    // D = B + h(312) + 22 = 237.
    EXPECT_EQ(at.at(kEscapeId), (LayoutRect{65, 237, 70, 21}));
    // G = D + h(314) + 22 = 280; M = G + h(318) + 22 = 318; M' = M + h(320) + 2 = 340.
    EXPECT_EQ(at.at(kAppearanceGroupId), (LayoutRect{10, 280, 380, 16 + 20 + 22 + 36}));
    EXPECT_EQ(at.at(kMonochromeId), (LayoutRect{20, 300, 80, 16}));
    EXPECT_EQ(at.at(kModulationLabelId), (LayoutRect{55, 321, 60, 13}));
    EXPECT_EQ(at.at(kModulationId), (LayoutRect{120, 318, 150, 20}));
    EXPECT_EQ(at.at(kColoursId), (LayoutRect{105, 340, 70, 22}));
    EXPECT_EQ(layout.contentHeight, 340 + 22 + 22);
    // The stretched rows need exactly the present width; modulation alone needs 290.
    EXPECT_EQ(layout.neededWidth, 400);
    // Buttons 10 pixels above the bottom, Cancel at the right margin, OK 10 pixels left of it.
    EXPECT_EQ(at.at(kCancelId), (LayoutRect{310, 467, 80, 23}));
    EXPECT_EQ(at.at(kOkId), (LayoutRect{225, 467, 75, 23}));
}

TEST(PropertiesLayout, SettlesOnTheWidestFixedRowFromASmallPlaceholder) {
    const SettledLayout settled = SettleLayout({100, 50}, PropertiesSizes(), &LayOutProperties);
    EXPECT_TRUE(settled.resized);
    EXPECT_TRUE(settled.recentre);
    EXPECT_EQ(settled.client, (LayoutSize{290, 384 + 23 + 10}));
    // The stretched fields follow the final width.
    EXPECT_EQ(settled.layout.places.at(kNameId).width, 250);
    EXPECT_EQ(settled.layout.places.at(kOkId), (LayoutRect{115, 384, 75, 23}));
    // Running again on the settled size changes nothing.
    const SettledLayout again = SettleLayout(settled.client, PropertiesSizes(), &LayOutProperties);
    EXPECT_FALSE(again.resized);
    EXPECT_FALSE(again.recentre);
    EXPECT_EQ(again.layout.places, settled.layout.places);
}

TEST(PropertiesLayout, ADialogNarrowerThanItsMarginsGetsEmptyFieldsNotNegativeOnes) {
    const DialogLayout layout = LayOutProperties({30, 50}, PropertiesSizes());
    EXPECT_EQ(layout.places.at(kNameId).width, 0);
    EXPECT_EQ(layout.places.at(kPstartId).width, 0);
    EXPECT_EQ(layout.places.at(kNameGroupId).width, 10);
}

ControlSizes OptionsSizes() {
    ControlSizes s = ButtonSizes();
    s[kAutoGenerateId] = {90, 16};
    s[kInitialResolutionId] = {45, 22};
    s[kToLabelId] = {20, 13};
    s[kPenultimateResolutionId] = {45, 22};
    s[kToOneLabelId] = {30, 13};
    s[kIncrementLabelId] = {100, 13};
    s[kIncrementId] = {120, 20};
    for (int id : {kOperationGroupId, kResolutionGroupId, kIncrementGroupId})
        s[id] = {10, 10};
    return s;
}

TEST(OptionsLayout, ReadsTheRangeAsOneLine) {
    const DialogLayout layout = LayOutOptions({300, 260}, OptionsSizes());
    const ControlPlaces& at = layout.places;
    EXPECT_EQ(at.at(kAutoGenerateId), (LayoutRect{20, 25, 90, 16}));
    EXPECT_EQ(at.at(kOperationGroupId), (LayoutRect{10, 5, 280, 48}));
    // R = h(406) + 67 = 83.
    EXPECT_EQ(at.at(kInitialResolutionId), (LayoutRect{20, 83, 45, 22}));
    EXPECT_EQ(at.at(kToLabelId), (LayoutRect{65, 86, 20, 13}));
    EXPECT_EQ(at.at(kPenultimateResolutionId), (LayoutRect{85, 83, 45, 22}));
    EXPECT_EQ(at.at(kToOneLabelId), (LayoutRect{133, 86, 30, 13}));
    EXPECT_EQ(at.at(kResolutionGroupId), (LayoutRect{10, 63, 280, 54}));
    // O = h(406) + h(402) + 109 = 147.
    EXPECT_EQ(at.at(kIncrementLabelId), (LayoutRect{20, 150, 100, 13}));
    EXPECT_EQ(at.at(kIncrementId), (LayoutRect{125, 147, 120, 20}));
    EXPECT_EQ(at.at(kIncrementGroupId), (LayoutRect{10, 127, 280, 52}));
    EXPECT_EQ(layout.contentHeight, 147 + 20 + 22);
    // The increment row is the widest: 100 + 120 + 45.
    EXPECT_EQ(layout.neededWidth, 265);
}

TEST(OptionsLayout, AWideRangeRowWidensTheDialog) {
    ControlSizes sizes = OptionsSizes();
    sizes[kToOneLabelId] = {200, 13};
    // Right edge of 405: 133 + 200, plus the 20-pixel margin and group border.
    EXPECT_EQ(LayOutOptions({100, 100}, sizes).neededWidth, 353);
}

ControlSizes AboutSizes(int labelHeight) {
    return {{kOkId, {75, 23}},
            {kVersionLabelId, {60, labelHeight}},
            {kCreditLabelId, {200, labelHeight}},
            {kDateLabelId, {50, labelHeight}}};
}

TEST(AboutLayout, SpreadsTheLinesOverThePicture) {
    const DialogLayout layout = LayOutAbout({400, 200}, AboutSizes(13));
    const ControlPlaces& at = layout.places;
    EXPECT_EQ(at.at(kPictureId), (LayoutRect{10, 10, 64, 64}));
    EXPECT_EQ(at.at(kVersionLabelId), (LayoutRect{84, 10, 60, 13}));
    EXPECT_EQ(at.at(kCreditLabelId), (LayoutRect{84, 35, 200, 13}));
    EXPECT_EQ(at.at(kDateLabelId), (LayoutRect{84, 60, 50, 13}));
    EXPECT_EQ(layout.contentHeight, 95);
    // The credit line is the widest: its right edge plus 10.
    EXPECT_EQ(layout.neededWidth, 294);
    // OK from the picture's right edge to the right margin, 10 above the bottom.
    EXPECT_EQ(at.at(kOkId), (LayoutRect{74, 167, 316, 23}));
}

TEST(AboutLayout, LinesTallerThanAThirdOfThePictureDoNotOverlap) {
    // 30 + (64 - 90) / 2 would be 17, less than a line.
    const DialogLayout layout = LayOutAbout({400, 200}, AboutSizes(30));
    EXPECT_EQ(layout.places.at(kCreditLabelId).y, 40);
    EXPECT_EQ(layout.places.at(kDateLabelId).y, 70);
    EXPECT_EQ(layout.contentHeight, 110);
}

TEST(AboutLayout, SettlesFromASmallPlaceholder) {
    const SettledLayout settled = SettleLayout({50, 20}, AboutSizes(13), &LayOutAbout);
    EXPECT_EQ(settled.client, (LayoutSize{294, 95 + 23 + 10}));
    EXPECT_EQ(settled.layout.places.at(kOkId), (LayoutRect{74, 95, 210, 23}));
}

}  // namespace
}  // namespace zolt

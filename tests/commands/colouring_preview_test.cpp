#include "commands/colouring_preview.h"

#include <gtest/gtest.h>

#include "colour/gradient.h"
#include "support/test_workspace.h"

namespace zolt {
namespace {

using Picture = ColouringPreview::Picture;

Colouring Method(ColourMethod method) {
    Colouring colouring;
    colouring.method = method;
    return colouring;
}

class ColouringPreviewTest : public ::testing::Test {
  protected:
    ColouringPreviewTest() {
        w.work.generator.SetThreads(2);
        // A saved definition: the flags must come through the dialog as they went in.
        EXPECT_TRUE(w.DefineHome("Leaf", 256, 250, /*untitled=*/false));
        generator.Ready({.discard = true});
    }
    bool Generate() {
        generator.Generate({.push = true});
        return w.WaitIdle();
    }
    const Colouring& Shown() const { return w.work.current.Definition().Appearance.Colouring; }

    TestWorkspace w{{96, 72}};
    Generator& generator = w.work.generator;
    NavigationHistory& history = w.work.history;
};

TEST_F(ColouringPreviewTest, APictureWithoutSamplesIsDrawnAgainOnceThenRecolouredAndRestored) {
    ASSERT_TRUE(Generate());
    const ImageBuffer classic = generator.CopyImage();
    {
        ColouringPreview preview(w.work);
        EXPECT_EQ(preview.Shown(), Picture::Regenerates);
        EXPECT_EQ(preview.Palette().size(), 256u);
        ASSERT_TRUE(preview.Show(Method(ColourMethod::Smooth)));
        EXPECT_TRUE(generator.IsRunning()) << "the one new generation";
        ASSERT_TRUE(w.WaitIdle());
        for (const ColourMethod method :
             {ColourMethod::Distance, ColourMethod::Relief, ColourMethod::Bands}) {
            Colouring colouring = Method(method);
            colouring.gradient = GradientPresets()[1];
            ASSERT_TRUE(preview.Show(colouring));
            EXPECT_FALSE(generator.IsRunning()) << "recoloured, not counted again";
            EXPECT_EQ(Shown(), colouring);
        }
        EXPECT_NE(generator.CopyImage(), classic);
        Colouring refused;
        refused.repeat = 0.0;
        EXPECT_FALSE(preview.Show(refused));
        EXPECT_EQ(Shown().gradient, GradientPresets()[1]);
    }  // left without Keep, as Cancel and closing the dialog leave it

    EXPECT_TRUE(IsClassicColouring(Shown()));
    EXPECT_EQ(generator.CopyImage(), classic);
    EXPECT_EQ(history.Count(), 1) << "drawing the picture again records no view";
    EXPECT_FALSE(w.work.current.Definition().Untitled);
    // The samples were kept only while the dialog was open.
    ASSERT_TRUE(Generate());
    EXPECT_EQ(generator.ChangeFor(Method(ColourMethod::Smooth)),
              Generator::ColouringChange::Regenerate);
}

TEST_F(ColouringPreviewTest, AKeptColouringStaysWithItsViewThroughBackAndForward) {
    ASSERT_TRUE(Generate());
    w.Zoom(-1.0, 0.0, -0.4);
    ASSERT_TRUE(Generate());
    ASSERT_EQ(history.Count(), 2);
    const Colouring smooth = Method(ColourMethod::Smooth);
    {
        ColouringPreview preview(w.work);
        ASSERT_TRUE(preview.Show(smooth));
        ASSERT_TRUE(w.WaitIdle());
        preview.Keep();
    }
    EXPECT_EQ(Shown(), smooth);
    EXPECT_FALSE(w.work.current.Definition().Untitled);
    EXPECT_EQ(history.Entry(2).Appearance.Colouring, smooth);
    EXPECT_TRUE(IsClassicColouring(history.Entry(1).Appearance.Colouring));
    w.work.Back();
    EXPECT_TRUE(IsClassicColouring(Shown()));
    w.work.Forward();
    EXPECT_EQ(Shown(), smooth);
}

// Without a picture of the definition's view there is nothing to recolour, and drawing one
// would generate a view the user has not asked for: the colouring waits for the next Generate.
TEST_F(ColouringPreviewTest, WithoutAPictureOfTheViewTheColouringWaits) {
    for (const bool zoomed : {false, true}) {
        SCOPED_TRACE(zoomed ? "a zoom not generated yet" : "no picture");
        if (zoomed) {
            ASSERT_TRUE(Generate());
            w.Zoom(-1.0, 0.0, -0.4);
        }
        const ImageBuffer before = generator.CopyImage();
        ColouringPreview preview(w.work);
        EXPECT_EQ(preview.Shown(), Picture::Waits);
        ASSERT_TRUE(preview.Show(Method(ColourMethod::Smooth)));
        EXPECT_FALSE(generator.IsRunning());
        EXPECT_EQ(generator.CopyImage(), before);
        EXPECT_EQ(Shown().method, ColourMethod::Smooth);
        preview.Restore();
        EXPECT_TRUE(IsClassicColouring(Shown()));
    }
}

}  // namespace
}  // namespace zolt

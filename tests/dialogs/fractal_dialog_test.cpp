#include <QApplication>
#include <QtTest>

#include "dialog_driver.h"
#include "dialogs/fractal_commands.h"
#include "dialogs/fractal_dialog.h"
#include "dialogs/properties_layout.h"
#include "settings/number_text.h"
#include "support/test_workspace.h"

namespace zolt {

using test::Click;
using test::Enabled;
using test::Entries;
using test::Selected;
using test::Text;
using test::Type;

namespace {

// Runs the dialog of New or Properties through its command, driving it with `drive`.
bool RunCommand(TestWorkspace& world, int mode, const std::function<void(QDialog&)>& drive) {
    // The command builds its own dialog object; the driver finds its window as the user sees
    // it, the active modal window.
    bool result = false;
    QObject guard;
    QTimer::singleShot(0, &guard, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (window == nullptr)
            return;
        drive(*window);
        if (window->isVisible())
            window->reject();
    });
    result = mode == kNewFractalMode ? NewFractal(world.work, nullptr)
                                     : EditProperties(world.work, nullptr);
    return result;
}

// A current definition as a loaded file leaves it: titled, with its own palette.
void LoadCurrent(TestWorkspace& world, int colours, bool untitled = false) {
    Appearance appearance;
    appearance.Colours = colours;
    appearance.Palette.Allocate(colours);
    for (int i = 1; i <= colours; ++i)
        appearance.Palette.Append({static_cast<std::uint8_t>(i), 7, 9});
    world.work.current.SetCurrent("Leaf", HomeView(world.ui.ViewClientSize()), appearance,
                                  {.untitled = untitled});
}

}  // namespace

class FractalDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void newOpensWithTheHomeViewAndAcceptsIt() {
        TestWorkspace world;
        const bool accepted = RunCommand(world, kNewFractalMode, [](QDialog& window) {
            QCOMPARE(window.objectName(), QString("ObjectDlg"));
            QCOMPARE(window.windowTitle(), QString("New fractal"));
            QCOMPARE(Text(window, kNameId), QString("Fractal"));
            QCOMPARE(Text(window, kPstartId), QString("-2.5"));
            QCOMPARE(Text(window, kPfinishId), QString("1.25"));
            QCOMPARE(Text(window, kQstartId), QString("-1.5"));
            QCOMPARE(Text(window, kIterationsId), QString("250"));
            QCOMPARE(Text(window, kEscapeId), QString("200"));
            QVERIFY(!test::Button(window, kMonochromeId)->isChecked());
            QCOMPARE(Text(window, kModulationId), QString("2"));
            QVERIFY(!Enabled(window, kModulationId));
            QCOMPARE(Entries(window, kColoursId),
                     QStringList({"256", "128", "64", "32", "16", "8", "4"}));
            QCOMPARE(Selected(window, kColoursId), QString("256"));
            QVERIFY(Enabled(window, kColoursId));
            QVERIFY(!Enabled(window, kQfinishId));
            QVERIFY(Enabled(window, kOkId));
            Click(window, kOkId);
        });
        QVERIFY(accepted);
        const FractalDef& def = world.work.current.Definition();
        QCOMPARE(def.Name.str(), std::string("Fractal"));
        QCOMPARE(def.Pstart, -2.5);
        QCOMPARE(def.Iterations, 250);
        QCOMPARE(def.Qfinish, DeriveQfinish(-2.5, 1.25, -1.5, ViewSize{760, 620}));
        QVERIFY(def.Untitled);
        QCOMPARE(def.Appearance.Palette.Count(), 256);
        QCOMPARE(world.ui.Title(), std::string("Zolt - Fractal"));
        // The generator was made ready.
        QCOMPARE(world.ui.StatusText(1), std::string("Ready"));
        QVERIFY(world.ui.Messages().empty());
    }

    void typingAtOnceReplacesTheName() {
        TestWorkspace world;
        RunCommand(world, kNewFractalMode, [](QDialog& window) {
            QCOMPARE(window.focusWidget(), test::Edit(window, kNameId));
            QTest::keyClicks(window.focusWidget(), "Leaf");
            Click(window, kOkId);
        });
        QCOMPARE(world.work.current.Definition().Name.str(), std::string("Leaf"));
    }

    void qfinishFollowsTheCoordinatesWhileEveryNumberReads() {
        TestWorkspace world;
        RunCommand(world, kNewFractalMode, [](QDialog& window) {
            const QString opening = Text(window, kQfinishId);
            Type(window, kPfinishId, "4.5");
            const QString moved = QString::fromStdString(
                WriteRealText(DeriveQfinish(-2.5, 4.5, -1.5, ViewSize{760, 620})));
            QCOMPARE(Text(window, kQfinishId), moved);
            QVERIFY(moved != opening);
            // With the iterations unreadable the coordinates change but Qfinish stays.
            Type(window, kIterationsId, "many");
            Type(window, kPstartId, "-3");
            QCOMPARE(Text(window, kQfinishId), moved);
            // Typing into the iterations does not update it either, only the coordinates do.
            Type(window, kIterationsId, "100");
            QCOMPARE(Text(window, kQfinishId), moved);
            Type(window, kQstartId, "0");
            QCOMPARE(Text(window, kQfinishId), QString::fromStdString(WriteRealText(
                                                   DeriveQfinish(-3, 4.5, 0, ViewSize{760, 620}))));
        });
    }

    void okReportsOnlyTheFirstInvalidFieldAndStaysOpen() {
        TestWorkspace world;
        LoadCurrent(world, 16);
        const FractalDef before = world.work.current.Definition();
        const bool accepted = RunCommand(world, kPropertiesMode, [&](QDialog& window) {
            Type(window, kNameId, "");
            Type(window, kPstartId, "left");
            Type(window, kPfinishId, "right");
            Type(window, kIterationsId, "-5");
            Click(window, kOkId);
            Type(window, kNameId, "Renamed");
            Click(window, kOkId);
            Type(window, kPstartId, "-1");
            Click(window, kOkId);
            Type(window, kPfinishId, "1");
            for (const char* bad : {"-5", "0", "ten", "", "2147483648"}) {
                Type(window, kIterationsId, bad);
                Click(window, kOkId);
            }
            Type(window, kIterationsId, "2147483647");
            Type(window, kEscapeId, "2,5");
            Click(window, kOkId);
            QVERIFY(window.isVisible());
            // Every entry is kept as typed through the refusals.
            QCOMPARE(Text(window, kNameId), QString("Renamed"));
            QCOMPARE(Text(window, kEscapeId), QString("2,5"));
            QVERIFY(world.work.current.Definition().Name.str() == "Leaf");
            Click(window, kCancelId);
        });
        QVERIFY(!accepted);
        QCOMPARE(world.ui.Messages(),
                 (std::vector<std::string>{
                     "You must provide a name.", "Pstart not valid.", "Pfinish not valid.",
                     "Iterations not valid.", "Iterations not valid.", "Iterations not valid.",
                     "Iterations not valid.", "Iterations not valid.", "Escape value not valid."}));
        QCOMPARE(world.work.current.Definition().Pstart, before.Pstart);
        QCOMPARE(world.work.current.Definition().Appearance.Palette, before.Appearance.Palette);
        QCOMPARE(world.ui.StatusText(1), std::string());
    }

    void modulationIsCheckedOnlyInMonochrome() {
        TestWorkspace world;
        const bool accepted = RunCommand(world, kNewFractalMode, [&](QDialog& window) {
            Click(window, kMonochromeId);
            QVERIFY(Enabled(window, kModulationId));
            QVERIFY(!Enabled(window, kColoursId));
            Type(window, kModulationId, "0");
            Click(window, kOkId);
            Type(window, kModulationId, "");
            Click(window, kOkId);
            QCOMPARE(world.ui.Messages(), std::vector<std::string>(2, "Modulation not valid."));
            // Back to colours: the modulation text no longer counts.
            Click(window, kMonochromeId);
            QVERIFY(!Enabled(window, kModulationId));
            QVERIFY(Enabled(window, kColoursId));
            Click(window, kOkId);
        });
        QVERIFY(accepted);
        QCOMPARE(world.ui.Messages().size(), std::size_t{2});
        QVERIFY(!world.work.current.Definition().Appearance.Monochrome);
        QCOMPARE(world.work.current.Definition().Appearance.Modulation, 2);
    }

    void monochromeWithAModulationIsStored() {
        TestWorkspace world;
        RunCommand(world, kNewFractalMode, [](QDialog& window) {
            Click(window, kMonochromeId);
            Type(window, kModulationId, " 12");
            Click(window, kOkId);
        });
        QVERIFY(world.work.current.Definition().Appearance.Monochrome);
        QCOMPARE(world.work.current.Definition().Appearance.Modulation, 12);
    }

    void aColourCountNotOfferedOpensUnselectedAndOkWaitsForAChoice() {
        TestWorkspace world;
        LoadCurrent(world, 100);
        const bool accepted = RunCommand(world, kPropertiesMode, [&](QDialog& window) {
            QCOMPARE(window.windowTitle(), QString("Properties"));
            QCOMPARE(Selected(window, kColoursId), QString());
            Click(window, kOkId);
            QVERIFY(window.isVisible());
            QVERIFY(world.ui.Messages().empty());
            QVERIFY(test::Pick(window, kColoursId, "64"));
            Click(window, kOkId);
        });
        QVERIFY(accepted);
        QCOMPARE(world.work.current.Definition().Appearance.Colours, 64);
        Palette built;
        BuildPalette(64, built);
        QCOMPARE(world.work.current.Definition().Appearance.Palette, built);
    }

    void propertiesKeepThePaletteAndTheFlagsAndRaiseTheIterations() {
        TestWorkspace world;
        world.work.defaults.values.AutoGenerate = true;
        LoadCurrent(world, 16, false);
        world.work.current.PushCurrent(true);
        const Palette palette = world.work.current.Definition().Appearance.Palette;
        const bool accepted = RunCommand(world, kPropertiesMode, [](QDialog& window) {
            QCOMPARE(Selected(window, kColoursId), QString("16"));
            Type(window, kNameId, "A name typed with 25 chrs");
            Type(window, kPstartId, "-1.5");
            Click(window, kOkId);
        });
        QVERIFY(accepted);
        world.work.generator.Stop();
        const FractalDef& def = world.work.current.Definition();
        // The name field stops at 19 characters.
        QCOMPARE(def.Name.str(), std::string("A name typed with 2"));
        QCOMPARE(def.Pstart, -1.5);
        QCOMPARE(def.Appearance.Palette, palette);
        // The view changed, so the automatic generation raised the iterations and recorded it,
        // which also makes the definition untitled.
        QCOMPARE(def.Iterations, 250 + world.work.defaults.values.IterativeIncrement);
        QCOMPARE(world.work.history.Count(), 2);
        QVERIFY(def.Untitled);
    }

    void propertiesOfAnUnchangedViewKeepTheUntitledFlag() {
        TestWorkspace world;
        LoadCurrent(world, 16, false);
        QVERIFY(RunCommand(world, kPropertiesMode, [](QDialog& window) { Click(window, kOkId); }));
        QVERIFY(!world.work.current.Definition().Untitled);
    }

    void aRunningGenerationKeepsPropertiesFromBeingConfirmed() {
        TestWorkspace world;
        LoadCurrent(world, 16);
        world.work.current.LockAspect();
        const bool accepted = RunCommand(world, kPropertiesMode, [](QDialog& window) {
            QVERIFY(!Enabled(window, kOkId));
            Type(window, kNameId, "Changed");
            Click(window, kOkId);
            QTest::keyClick(test::Edit(window, kNameId), Qt::Key_Return);
            QVERIFY(window.isVisible());
            Click(window, kCancelId);
        });
        QVERIFY(!accepted);
        QCOMPARE(world.work.current.Definition().Name.str(), std::string("Leaf"));
    }

    void aViewOfSixteenColoursOffersSixteenToFour() {
        TestWorkspace world({760, 620}, 16);
        RunCommand(world, kNewFractalMode, [](QDialog& window) {
            QCOMPARE(Entries(window, kColoursId), QStringList({"16", "8", "4"}));
            QCOMPARE(Selected(window, kColoursId), QString("16"));
            Click(window, kOkId);
        });
        QCOMPARE(world.work.current.Definition().Appearance.Colours, 16);
    }

    void escapeAndTheCloseBoxCancelWithoutReadyingTheGenerator() {
        TestWorkspace world;
        LoadCurrent(world, 16);
        QVERIFY(!RunCommand(world, kPropertiesMode, [](QDialog& window) {
            Type(window, kPstartId, "-1");
            QTest::keyClick(&window, Qt::Key_Escape);
        }));
        QVERIFY(!RunCommand(world, kNewFractalMode, [](QDialog& window) { window.close(); }));
        QCOMPARE(world.work.current.Definition().Pstart, -2.5);
        QCOMPARE(world.work.current.Definition().Name.str(), std::string("Leaf"));
        QCOMPARE(world.ui.StatusText(1), std::string());
    }

    void theDialogFitsItsContentAndCentresOverItsOwner() {
        TestWorkspace world;
        QWidget owner;
        owner.setGeometry(100, 50, 760, 710);
        owner.show();
        FractalDialog dialog(QCoreApplication::instance(), world.ui, world.work.current, &owner);
        test::RunDriven(
            dialog, [&] { return dialog.RunInMode(kNewFractalMode); },
            [&](QDialog& window) {
                const QRect cancel = FindControl(window, kCancelId)->geometry();
                const QRect ok = FindControl(window, kOkId)->geometry();
                QCOMPARE(cancel.right() + 1, window.width() - 10);
                QCOMPARE(cancel.bottom() + 1, window.height() - 10);
                QCOMPARE(ok.right() + 1, cancel.left() - 10);
                const QRect colours = FindControl(window, kColoursId)->geometry();
                // The appearance group closes 12 pixels below the list, the buttons 10 below it.
                QCOMPARE(cancel.top() - (colours.bottom() + 1), 22);
                // Nothing sticks out of the window.
                for (QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    QVERIFY(window.rect().contains(control->geometry()));
                const QPoint centre = window.frameGeometry().center();
                QVERIFY(qAbs(centre.x() - owner.frameGeometry().center().x()) <= 1);
                QVERIFY(qAbs(centre.y() - owner.frameGeometry().center().y()) <= 1);
                Click(window, kCancelId);
            });
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::FractalDialogTest)
#include "fractal_dialog_test.moc"

#include <QApplication>
#include <QtTest>

#include "dialog_driver.h"
#include "dialogs/options_dialog.h"
#include "dialogs/options_layout.h"
#include "generation/generation_defaults.h"
#include "support/temp_dir.h"
#include "surface/headless_surface.h"

namespace zolt {

using test::Click;
using test::Enabled;
using test::Entries;
using test::Pick;
using test::Selected;
using test::Text;
using test::Type;

namespace {

// Defaults kept in a settings store of their own, edited through the installed dialog.
struct OptionsWorld {
    test::TempDir dir;
    RegistryStore store{"JKV", "Zolt", "1.0", dir.Roots()};
    HeadlessSurface ui;
    GenerationDefaults defaults{ui, &store};
    OptionsWorld() { InstallOptionsDialog(defaults, ui, nullptr); }

    // Options... from the menu, driven by `drive`.
    void Edit(const std::function<void(QDialog&)>& drive) {
        QObject guard;
        QTimer::singleShot(0, &guard, [&] {
            auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (window == nullptr)
                return;
            drive(*window);
            if (window->isVisible())
                window->reject();
        });
        defaults.Edit();
    }
    DefaultValues Stored() { return GenerationDefaults(ui, &store).values; }
};

}  // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void opensWithTheBuiltInDefaults() {
        OptionsWorld world;
        bool opened = false;
        world.Edit([&](QDialog& window) {
            opened = true;
            QCOMPARE(window.objectName(), QString("DefaultsDlg"));
            QCOMPARE(window.windowTitle(), QString("Options"));
            QVERIFY(test::Button(window, kAutoGenerateId)->isChecked());
            QCOMPARE(test::Button(window, kAutoGenerateId)->text(), QString("Auto generate"));
            QCOMPARE(Entries(window, kInitialResolutionId), QStringList({"8", "4", "2", "1"}));
            QCOMPARE(Selected(window, kInitialResolutionId), QString("8"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"8", "4", "2"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("4"));
            QVERIFY(Enabled(window, kPenultimateResolutionId));
            QCOMPARE(Text(window, kIncrementId), QString("25"));
        });
        QVERIFY(opened);
    }

    void thePenultimateListFollowsTheInitialSize() {
        OptionsWorld world;
        world.Edit([](QDialog& window) {
            QVERIFY(Pick(window, kInitialResolutionId, "4"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"4", "2"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("4"));
            QVERIFY(Pick(window, kPenultimateResolutionId, "2"));
            QVERIFY(Pick(window, kInitialResolutionId, "2"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"2"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("2"));
            QVERIFY(Pick(window, kInitialResolutionId, "1"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"1"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("1"));
            QVERIFY(!Enabled(window, kPenultimateResolutionId));
            QVERIFY(Pick(window, kInitialResolutionId, "8"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"8", "4", "2"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("2"));
            QVERIFY(Enabled(window, kPenultimateResolutionId));
            Click(window, kCancelId);
        });
    }

    void okStoresAndSavesEveryValue() {
        OptionsWorld world;
        world.defaults.values.GeneratePriority = 6;
        world.defaults.values.ShowStatusbar = false;
        world.Edit([](QDialog& window) {
            Click(window, kAutoGenerateId);
            QVERIFY(Pick(window, kInitialResolutionId, "1"));
            Type(window, kIncrementId, "0");
            Click(window, kOkId);
        });
        const DefaultValues expected{false, 1, 1, 0, 6, true, false};
        QCOMPARE(world.defaults.values, expected);
        QCOMPARE(world.Stored(), expected);
        QVERIFY(world.ui.Messages().empty());
    }

    void anUnreadableIncrementIsReportedAndTheDialogStays() {
        OptionsWorld world;
        world.Edit([&](QDialog& window) {
            for (const char* bad : {"", "-1", "lots", "2147483648"}) {
                Type(window, kIncrementId, bad);
                Click(window, kOkId);
                QVERIFY(window.isVisible());
            }
            Type(window, kIncrementId, "2147483647");
            Click(window, kOkId);
        });
        QCOMPARE(world.ui.Messages(),
                 std::vector<std::string>(4, "Iterative increment not valid."));
        QCOMPARE(world.defaults.values.IterativeIncrement, 2147483647);
        QCOMPARE(world.Stored().IterativeIncrement, 2147483647);
    }

    void cancelAfterChangingEverythingChangesNothing() {
        OptionsWorld world;
        world.defaults.values = {false, 4, 2, 40, 5, false, true};
        QVERIFY(world.defaults.SaveValues());
        const DefaultValues before = world.defaults.values;
        world.Edit([](QDialog& window) {
            Click(window, kAutoGenerateId);
            QVERIFY(Pick(window, kInitialResolutionId, "2"));
            Type(window, kIncrementId, "99");
            QTest::keyClick(&window, Qt::Key_Escape);
        });
        QCOMPARE(world.defaults.values, before);
        QCOMPARE(world.Stored(), before);
    }

    void aStoredSizeNotOfferedWaitsForAChoice() {
        OptionsWorld world;
        world.defaults.values.InitialResolution = 3;
        world.defaults.values.PenultimateResolution = 16;
        world.Edit([&](QDialog& window) {
            QCOMPARE(Selected(window, kInitialResolutionId), QString());
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"3"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString("3"));
            Click(window, kOkId);
            QVERIFY(window.isVisible());
            // Picking 4 offers 4 and 2, and neither equals 3.
            QVERIFY(Pick(window, kInitialResolutionId, "4"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"4", "2"}));
            QCOMPARE(Selected(window, kPenultimateResolutionId), QString());
            Click(window, kOkId);
            QVERIFY(window.isVisible());
            QVERIFY(Pick(window, kPenultimateResolutionId, "2"));
            Click(window, kOkId);
        });
        QVERIFY(world.ui.Messages().empty());
        QCOMPARE(world.defaults.values.InitialResolution, 4);
        QCOMPARE(world.defaults.values.PenultimateResolution, 2);
    }

    void theSameDialogRunsAgainWithTheNewValues() {
        OptionsWorld world;
        world.Edit([](QDialog& window) {
            QVERIFY(Pick(window, kInitialResolutionId, "4"));
            Click(window, kOkId);
        });
        world.Edit([](QDialog& window) {
            QCOMPARE(Selected(window, kInitialResolutionId), QString("4"));
            QCOMPARE(Entries(window, kPenultimateResolutionId), QStringList({"4", "2"}));
            window.close();
        });
        QCOMPARE(world.defaults.values.InitialResolution, 4);
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::OptionsDialogTest)
#include "options_dialog_test.moc"

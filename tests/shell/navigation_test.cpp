// Home, Back and Forward through views recorded by real generations, with keys and buttons.

#include <QAction>
#include <QToolBar>
#include <QToolButton>

#include "app_fixture.h"
#include "document/navigation_history.h"
#include "shell/command_actions.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

class NavigationTest : public AppTest {
    Q_OBJECT

  private:
    bool Enabled(int id) { return app_->GetMainWindow()->Actions().Action(id)->isEnabled(); }
    void WaitFinished() {
        QTRY_VERIFY(!app_->GetWorkspace()->generator.IsRunning());
        QTRY_COMPARE(PaneText(*app_, 1), QString("Finished"));
    }
    // A zoom by dragging over the view, then Generate with its key.
    void ZoomAndGenerate(QPoint from, QPoint to) {
        FractalView* view = app_->GetView();
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        QCOMPARE(PaneText(*app_, 1), QString("Ready"));
        QTest::keyClick(app_->GetMainWindow(), Qt::Key_G, Qt::AltModifier);
        WaitFinished();
    }

  private slots:
    void backAndForwardThroughThreeViews() {
        QVERIFY(DefineFractal(*app_, Home(*app_)));
        // As New does: ready with automatic generation, which records the first view.
        app_->GetWorkspace()->generator.Ready(
            {.discard = true, .autoGenerate = true, .generate = {.push = true}});
        WaitFinished();
        QCOMPARE(PaneText(*app_, 3), QString("1 of 1"));
        QVERIFY(!Enabled(kCmdBack));

        ZoomAndGenerate(QPoint(100, 60), QPoint(300, 100));
        QCOMPARE(PaneText(*app_, 3), QString("2 of 2"));
        const FractalDef second = app_->GetWorkspace()->history.Entry(2);
        QCOMPARE(second.Iterations, 250 + 25);  // raised once by the zoom's generation
        ZoomAndGenerate(QPoint(50, 40), QPoint(200, 60));
        QCOMPARE(PaneText(*app_, 3), QString("3 of 3"));
        QVERIFY(Enabled(kCmdBack));
        QVERIFY(!Enabled(kCmdForward));

        // Back by its key: the view before, generated again without being recorded again.
        QTest::keyClick(app_->GetMainWindow(), Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(PaneText(*app_, 3), QString("2 of 3"));
        QCOMPARE(app_->GetWorkspace()->current.Definition().Pstart, second.Pstart);
        WaitFinished();
        QCOMPARE(app_->GetWorkspace()->history.Count(), 3);
        QCOMPARE(app_->GetWorkspace()->current.Definition().Iterations, second.Iterations);
        QVERIFY(Enabled(kCmdBack));
        QVERIFY(Enabled(kCmdForward));

        // Back by its button.
        QToolBar* bar = app_->GetMainWindow()->ToolBar();
        auto button = [&](int id) {
            return bar->widgetForAction(app_->GetMainWindow()->Actions().Action(id));
        };
        QTest::mouseClick(button(kCmdBack), Qt::LeftButton);
        QCOMPARE(PaneText(*app_, 3), QString("1 of 3"));
        WaitFinished();
        QVERIFY(!Enabled(kCmdBack));
        QVERIFY(Enabled(kCmdForward));
        QVERIFY(!button(kCmdBack)->isEnabled());
        QVERIFY(button(kCmdForward)->isEnabled());

        // Forward by its key.
        QTest::keyClick(app_->GetMainWindow(), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(PaneText(*app_, 3), QString("2 of 3"));
        // While the view generates, Back and Forward are off.
        QVERIFY(!Enabled(kCmdBack) || !app_->GetWorkspace()->generator.IsRunning());
        WaitFinished();
        QVERIFY(Enabled(kCmdBack));
        QVERIFY(Enabled(kCmdForward));
    }

    void homeKeepsTheNameAndRecordsTheHomeView() {
        QVERIFY(DefineFractal(*app_, Home(*app_), "Spiral"));
        app_->GetWorkspace()->generator.Ready(
            {.discard = true, .autoGenerate = true, .generate = {.push = true}});
        WaitFinished();
        ZoomAndGenerate(QPoint(100, 60), QPoint(300, 100));
        QCOMPARE(PaneText(*app_, 3), QString("2 of 2"));

        QTest::keyClick(app_->GetMainWindow(), Qt::Key_Home);
        const FractalDef& def = app_->GetWorkspace()->current.Definition();
        QCOMPARE(def.Pstart, kHomePstart);
        QCOMPARE(def.Pfinish, kHomePfinish);
        QCOMPARE(def.Qstart, kHomeQstart);
        QCOMPARE(def.Iterations, kHomeIterations);
        QCOMPARE(app_->GetMainWindow()->windowTitle(), QString("Zolt - Spiral"));
        WaitFinished();
        // The home view differs from the zoomed entry, so it is recorded.
        QCOMPARE(PaneText(*app_, 3), QString("3 of 3"));
    }

    void nothingToNavigateBeforeADefinition() {
        QTest::keyClick(app_->GetMainWindow(), Qt::Key_Home);
        QTest::keyClick(app_->GetMainWindow(), Qt::Key_Left, Qt::AltModifier);
        QVERIFY(!app_->GetWorkspace()->current.Initialized());
        QCOMPARE(PaneText(*app_, 3), QString());
    }
};

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"

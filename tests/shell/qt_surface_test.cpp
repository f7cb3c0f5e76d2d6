// The surface between the core and the widgets, called from a second thread as the generation
// thread calls it.

#include <QAction>
#include <QToolBar>
#include <thread>

#include "app_fixture.h"
#include "generation/worker_surface.h"
#include "shell/command_actions.h"
#include "shell/thread_wake.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

class QtSurfaceTest : public AppTest {
    Q_OBJECT

  private slots:
    void workerCallsReachTheWidgetsInOrder() {
        MainWindow* window = app_->GetMainWindow();
        UiMailbox* delivering = nullptr;
        ThreadWake wake([&] { delivering->Deliver(); });
        UiMailbox mailbox([&] { wake.Request(); });
        delivering = &mailbox;
        WorkerSurface worker(app_->Surface(), mailbox);
        ViewSize seen;
        std::thread thread([&] {
            for (int i = 0; i < 200; ++i) {
                worker.SetStatusText(2, std::to_string(i));
                worker.EnableCommands(CommandBit(kCmdSkip), i % 2 == 0);
                seen = worker.ViewClientSize();
            }
        });
        thread.join();
        // Nothing has reached the widgets before the user-interface thread took it.
        QCOMPARE(PaneText(*app_, 2), QString());
        QTRY_COMPARE(PaneText(*app_, 2), QString("199"));
        QVERIFY(!window->Actions().Action(kCmdSkip)->isEnabled());
        QVERIFY(!app_->Surface().IsCommandEnabled(kCmdSkip));
        QCOMPARE(seen, app_->Surface().ViewClientSize());
        QVERIFY(seen.width > 0 && seen.height > 0);
        mailbox.Close();
    }

    void presentingFromAnotherThreadRepaintsOnce() {
        FractalView* view = app_->GetView();
        PaintCounter counter;
        view->installEventFilter(&counter);
        std::thread thread([&] {
            for (int i = 0; i < 1000; ++i)
                app_->Surface().PresentImage();
        });
        thread.join();
        QCOMPARE(counter.paints, 0);
        QTRY_COMPARE(counter.paints, 1);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        view->removeEventFilter(&counter);
    }

    void panesOutsideOneToThreeAndAHiddenBarDropTheText() {
        QtSurface& ui = app_->Surface();
        ui.SetStatusText(0, "zero");
        ui.SetStatusText(4, "four");
        for (int pane = 1; pane <= 3; ++pane)
            QCOMPARE(PaneText(*app_, pane), QString());
        app_->RunCommand(kCmdStatusBar);
        ui.SetStatusText(1, "hidden");
        QCOMPARE(PaneText(*app_, 1), QString());
    }

    void commandsWithoutAButtonChangeOnlyTheMenuAndTheMask() {
        QtSurface& ui = app_->Surface();
        QAction* saveAs = app_->GetMainWindow()->Actions().Action(kCmdSaveAs);
        ui.EnableCommands(CommandBit(kCmdSaveAs), true);
        QVERIFY(saveAs->isEnabled());
        QVERIFY(app_->GetMainWindow()->ToolBar()->widgetForAction(saveAs) == nullptr);
        ui.EnableCommands(CommandBit(kCmdSaveAs), false);
        QVERIFY(!saveAs->isEnabled());
        QCOMPARE(ui.GetCommandState() & CommandBit(kCmdSaveAs), 0u);
    }

    void titleFollowsTheDefinition() {
        QCOMPARE(app_->GetMainWindow()->windowTitle(), QString("Zolt"));
        QVERIFY(DefineFractal(*app_, Home(*app_), "Seahorse"));
        QCOMPARE(app_->GetMainWindow()->windowTitle(), QString("Zolt - Seahorse"));
    }
};

QTEST_MAIN(QtSurfaceTest)
#include "qt_surface_test.moc"

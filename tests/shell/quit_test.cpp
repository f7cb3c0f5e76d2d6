// Leaving the program while a generation runs: through Exit and through the window's frame.

#include <QAction>
#include <QTimer>

#include "app_fixture.h"
#include "document/navigation_history.h"
#include "shell/command_actions.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

class QuitTest : public QObject {
    Q_OBJECT

  private:
    // A generation that runs for a long time: the neck at -0.75, where orbits creep along for a
    // million steps without repeating themselves.
    void StartLongGeneration(ZoltApplication& app) {
        QVERIFY(ReadyToGenerate(app, {-0.75 - 1e-10, -0.75 + 1e-10, -1e-10, 0.0, 1000000, 4.0}));
        app.RunCommand(kCmdGenerate);
        QVERIFY(app.GetWorkspace()->generator.IsRunning());
        QTRY_VERIFY(PaneText(app, 1).startsWith("Generating@1000000"));
    }

  private slots:
    void exitWhileGenerating() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        StartLongGeneration(*app);
        QTimer::singleShot(0, app->GetMainWindow(),
                           [&] { app->GetMainWindow()->Actions().Action(kCmdExit)->trigger(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(app->QuitCount(), 1);
        // The workspace, with the definition, the history and the generator, is gone.
        QVERIFY(app->GetWorkspace() == nullptr);
        QVERIFY(app->GetSettingsStore() == nullptr);

        // Closing the window afterwards does not run it again, nor does a later command.
        app->GetMainWindow()->close();
        app->RunCommand(kCmdExit);
        app->RunCommand(kCmdGenerate);
        QCOMPARE(app->QuitCount(), 1);
    }

    void closeWhileGenerating() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        StartLongGeneration(*app);
        QTimer::singleShot(0, app->GetMainWindow(), [&] { app->GetMainWindow()->close(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(app->QuitCount(), 1);
        QVERIFY(app->GetWorkspace() == nullptr);
        QVERIFY(!app->GetMainWindow()->isVisible());
    }

    void destroyedWithoutQuitting() {
        // The objects go down in order even when the event loop never ran Exit.
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        StartLongGeneration(*app);
        app.reset();
    }
};

QTEST_MAIN(QuitTest)
#include "quit_test.moc"

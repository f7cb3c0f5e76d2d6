// Moving the view without the rectangle: the arrow keys, + and -, the middle button's drag; and
// Tools > Automatic Iterations.

#include <QKeySequence>
#include <QWindow>
#include <cmath>

#include "app_fixture.h"
#include "document/navigation_history.h"
#include "engine/deep_view.h"
#include "shell/command_actions.h"
#include "shell/command_table.h"
#include "surface/command_ids.h"

using namespace zolt;
using namespace zolt::testing;

class ViewMovesTest : public AppTest {
    Q_OBJECT

  private:
    FractalView* View() { return app_->GetView(); }
    Workspace& Work() { return *app_->GetWorkspace(); }
    ViewSize Client() { return app_->Surface().ViewClientSize(); }
    GenerationSnapshot Now() { return NumbersOf(Work().current.Definition()); }
    // A key as the user presses it: to the window, which hands it to the widget with the focus.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(app_->GetMainWindow()->windowHandle(), key, modifiers);
    }
    void Generated(const GenerationSnapshot& numbers) {
        QVERIFY(ReadyToGenerate(*app_, numbers));
        app_->RunCommand(kCmdGenerate);
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Finished"));
    }
    // The point the renderer computes for device pixel `p` of a view.
    static std::pair<double, double> PointAt(const GenerationSnapshot& s, QPoint p, int width) {
        const double dx = (s.Pfinish - s.Pstart) / width;
        return {p.x() * dx + s.Pstart, p.y() * dx + s.Qstart};
    }
    void ExpectSamePoint(const GenerationSnapshot& a, QPoint pa, const GenerationSnapshot& b,
                         QPoint pb) {
        const auto [ar, ai] = PointAt(a, pa, Client().width);
        const auto [br, bi] = PointAt(b, pb, Client().width);
        const double pixel = (a.Pfinish - a.Pstart) / Client().width;
        QVERIFY2(std::abs(ar - br) < 1e-6 * pixel && std::abs(ai - bi) < 1e-6 * pixel,
                 qPrintable(QString("%1 %2 vs %3 %4").arg(ar).arg(ai).arg(br).arg(bi)));
    }

  private slots:
    void init() {
        AppTest::init();
        Work().defaults.values.AutoGenerate = false;
    }

    void noKeyOfTheViewIsAMenusAccelerator() {
        const QKeySequence own[] = {
            Qt::Key_Left,  Qt::Key_Right,           Qt::Key_Up, Qt::Key_Down, Qt::Key_Plus,
            Qt::Key_Minus, Qt::SHIFT | Qt::Key_Plus};
        for (const CommandInfo& command : AllCommands()) {
            if (command.key == nullptr)
                continue;
            for (const QKeySequence& key : own)
                QVERIFY2(QKeySequence(QString::fromLatin1(command.key)) != key, command.key);
        }
    }

    void arrowsPanByAQuarterAndPlusAndMinusZoomAboutTheCentre() {
        Generated(Home(*app_));
        const ViewSize client = Client();
        const QPoint centre(client.width / 2, client.height / 2);
        const QPoint quarter(client.width / 4, client.height / 4);

        GenerationSnapshot before = Now();
        Key(Qt::Key_Right);  // the view moves right: the centre's point goes a quarter left
        QCOMPARE(Work().history.Count(), 2);
        QCOMPARE(Now().Iterations, before.Iterations + 25);  // generated as the wheel does
        ExpectSamePoint(before, centre, Now(), centre - QPoint(quarter.x(), 0));
        QCOMPARE(Now().Pfinish - Now().Pstart, before.Pfinish - before.Pstart);

        before = Now();
        Key(Qt::Key_Up, Qt::KeypadModifier);
        ExpectSamePoint(before, centre, Now(), centre + QPoint(0, quarter.y()));

        before = Now();
        Key(Qt::Key_Plus, Qt::ShiftModifier);
        ExpectSamePoint(before, centre, Now(), centre);
        QCOMPARE(Now().Pfinish - Now().Pstart, (before.Pfinish - before.Pstart) / 2);
        Key(Qt::Key_Minus);
        QCOMPARE(Now().Pfinish - Now().Pstart, before.Pfinish - before.Pstart);
        QCOMPARE(Work().history.Count(), 5);
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Finished"));

        // With Alt the arrows stay Back and Forward; with Ctrl they do nothing here.
        Key(Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(PaneText(*app_, 3), QString("4 of 5"));
        QCOMPARE(Now(), NumbersOf(Work().history.Entry(4)));
        Key(Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(Now(), NumbersOf(Work().history.Entry(4)));
        QCOMPARE(Work().history.Count(), 5);
    }

    void deepPansKeepEveryDigit() {
        // 1e-30 across: only exact decimal corners tell its pixels apart.
        const std::string p0 = "-0.743643887037158704752191506114774";
        const std::string p1 = "-0.743643887037158704752191506113774";
        const std::string q0 = "0.131825904205311970493132056385139";
        GenerationSnapshot deep{-0.74, -0.74, 0.13, 0.0, 50, 4.0};
        QVERIFY(SetExactCorners(deep, {p0, p1, q0}, Client()));
        QVERIFY(ReadyToGenerate(*app_, deep));
        const DeepCoordinates start = Work().current.Definition().Deep;

        Key(Qt::Key_Right);
        const DeepCoordinates right = Work().current.Definition().Deep;
        QVERIFY(!right.empty());
        // Moved by a quarter of the width (to the pixel), to a billionth of it.
        const double quarter = static_cast<double>(Client().width / 4) / Client().width;
        const DeepCorners a{start.Pstart, start.Pfinish, start.Qstart, {}};
        const DeepCorners b{right.Pstart, right.Pfinish, right.Qstart, {}};
        QVERIFY(CornersWithin(a, b, quarter + 1e-9));
        QVERIFY(!CornersWithin(a, b, quarter - 1e-9));
        QCOMPARE(right.Qstart, start.Qstart);

        // Back by the other arrow, and there and back by a middle drag: the very digits it
        // started from.
        Key(Qt::Key_Left);
        QCOMPARE(Work().current.Definition().Deep, start);
        const auto drag = [this](QPoint from, QPoint to) {
            QTest::mousePress(View(), Qt::MiddleButton, {}, from);
            QTest::mouseMove(View(), to);
            QTest::mouseRelease(View(), Qt::MiddleButton, {}, to);
        };
        drag({100, 100}, {37, 160});
        const DeepCoordinates dragged = Work().current.Definition().Deep;
        // 63 pixels across is the larger move.
        const double across = 63.0 * View()->devicePixelRatio() / Client().width;
        const DeepCorners c{dragged.Pstart, dragged.Pfinish, dragged.Qstart, {}};
        QVERIFY(CornersWithin(a, c, across + 1e-9));
        QVERIFY(!CornersWithin(a, c, across - 1e-9));
        drag({37, 160}, {100, 100});
        QCOMPARE(Work().current.Definition().Deep, start);
        app_->RunCommand(kCmdStop);
        QTRY_VERIFY(!Work().generator.IsRunning());
    }

    void theMiddleButtonDragsThePictureThenGeneratesTheView() {
        Generated(Home(*app_));
        const GenerationSnapshot before = Now();
        const ImageBuffer image = Work().generator.CopyImage();
        const int k = static_cast<int>(std::lround(View()->devicePixelRatio()));
        const QPoint from(200, 150), to(260, 190);

        QTest::mousePress(View(), Qt::MiddleButton, {}, from);
        QTest::mouseMove(View(), to);
        // The picture follows at once, from the pixels there: nothing new is computed.
        const QImage shown = View()->grab().toImage();
        const QPoint by = (to - from) * k;
        for (QPoint p : {QPoint(300, 250), QPoint(by.x(), by.y()), QPoint(500, 400)})
            QCOMPARE(shown.pixel(p) | 0xff000000u, image.At(p.x() - by.x(), p.y() - by.y()));
        QCOMPARE(QColor(shown.pixel(by.x() - 1, by.y() - 1)), QColor(64, 64, 64));
        QCOMPARE(Work().history.Count(), 1);
        QVERIFY(!Work().generator.IsRunning());

        QTest::mouseRelease(View(), Qt::MiddleButton, {}, to);
        QCOMPARE(Work().history.Count(), 2);
        ExpectSamePoint(before, from * k, Now(), to * k);
        QCOMPARE(Now().Pfinish - Now().Pstart, before.Pfinish - before.Pstart);
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Finished"));
        // A click of the middle button alone moves nothing.
        QTest::mouseClick(View(), Qt::MiddleButton, {}, from);
        QCOMPARE(Work().history.Count(), 2);
    }

    void automaticIterationsIsACheckableCommandThatChoosesTheLimit() {
        QAction* command = app_->GetMainWindow()->Actions().Action(kCmdAutoIterations);
        QVERIFY(command->isCheckable() && !command->isChecked());
        command->trigger();
        QVERIFY(command->isChecked());
        QVERIFY(Work().defaults.values.AutomaticIterations);

        // The home view is not starved, and escaped points come near its limit: kept as it is,
        // where the increment would have added 25.
        Generated(Home(*app_));
        Key(Qt::Key_Plus, Qt::ShiftModifier);
        QCOMPARE(Now().Iterations, 250);
        QTRY_VERIFY(PaneText(*app_, 1).startsWith("Finished"));
    }
};

QTEST_MAIN(ViewMovesTest)
#include "view_moves_test.moc"

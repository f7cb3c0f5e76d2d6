// The program as a person uses it: keys, dialogs and files, end to end.

#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include "app_fixture.h"
#include "shell/command_actions.h"
#include "shell/fractal_view.h"
#include "surface/command_ids.h"

namespace zolt::testing {
namespace {

// Waits for the next modal window and hands it to `act`.
void WhenModal(std::function<void(QWidget&)> act) {
    QTimer* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
            poll->stop();
            poll->deleteLater();
            act(*modal);
        }
    });
    poll->start(10);
}

void PressEnterInModal() {
    WhenModal([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Return); });
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void newFractalWithItsDefaultsGeneratesTheHomeView() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);

        PressEnterInModal();
        QTest::keyClick(app->GetMainWindow(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app, 1), QString("Finished"), 20000);
        QCOMPARE(PaneText(*app, 3), QString("1 of 1"));
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Fractal"));

        // zolt-render, given the same view size, makes the same picture.
        const ImageBuffer shown = app->GetWorkspace()->generator.CopyImage();
        const QString png = dir.filePath("render.png");
        QProcess render;
        render.start(ZOLT_RENDER_PATH, {"--width", QString::number(shown.width), "--height",
                                        QString::number(shown.height), "-o", png});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const QImage rendered = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(rendered.width(), shown.width);
        QCOMPARE(rendered.height(), shown.height);
        for (int y = 0; y < shown.height; ++y) {
            const auto* line = reinterpret_cast<const Pixel*>(rendered.constScanLine(y));
            for (int x = 0; x < shown.width; ++x)
                QCOMPARE(line[x], shown.At(x, y));
        }
    }

    void aSavedFractalOpensFromTheCommandLineOfTheNextRun() {
        QTemporaryDir dir;
        const QString file = dir.filePath("Leaf.zlt");
        {
            auto app = StartApp(dir);
            QVERIFY(app != nullptr);
            PressEnterInModal();
            QTest::keyClick(app->GetMainWindow(), Qt::Key_N, Qt::ControlModifier);
            QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app, 1), QString("Finished"), 20000);

            // Save on an untitled fractal asks for a name.
            bool asked = false;
            WhenModal([&](QWidget& modal) {
                auto* dialog = qobject_cast<QFileDialog*>(&modal);
                asked = dialog != nullptr;
                if (dialog != nullptr) {
                    dialog->selectFile(file);
                    static_cast<QDialog*>(dialog)->accept();  // as its Save button does
                }
            });
            // File > Save, as the menu gives it.
            app->GetMainWindow()->Actions().Action(kCmdSave)->trigger();
            QVERIFY(asked);
            QVERIFY(QFile::exists(file));
            QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Leaf"));
            // File > Exit ends the event loop with code 0.
            QTimer::singleShot(0, app->GetMainWindow(), [&] { app->RunCommand(kCmdExit); });
            QCOMPARE(QApplication::exec(), 0);
            QCOMPARE(app->QuitCount(), 1);
        }

        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        const QByteArray path = file.toUtf8();
        const char* arguments[] = {path.constData()};
        app->OpenCommandLine(arguments);
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Leaf"));
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app, 1), QString("Finished"), 20000);
        QCOMPARE(PaneText(*app, 3), QString("1 of 1"));
        QVERIFY(app->Surface().IsCommandEnabled(kCmdSave));

        // An opened file is saved back at once, without a dialog.
        QFile::remove(file);
        QTest::keyClick(app->GetMainWindow(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFile::exists(file));

        // A zoom generated is a new, untitled view: Save asks for a name again.
        FractalView* view = app->GetView();
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(view, QPoint(200, 180));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(200, 180));
        QTest::keyClick(app->GetMainWindow(), Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(PaneText(*app, 1), QString("Finished"), 20000);
        QCOMPARE(PaneText(*app, 3), QString("2 of 2"));
        bool asked = false;
        WhenModal([&](QWidget& modal) {
            asked = qobject_cast<QFileDialog*>(&modal) != nullptr;
            static_cast<QDialog&>(modal).reject();  // Cancel
        });
        QTest::keyClick(app->GetMainWindow(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Leaf"));
    }

    void aMissingFileOnTheCommandLineIsReportedOnce() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QString message;
        int boxes = 0;
        WhenModal([&](QWidget& modal) {
            ++boxes;
            message = modal.findChild<QLabel*>("qt_msgbox_label") != nullptr
                          ? modal.findChild<QLabel*>("qt_msgbox_label")->text()
                          : QString();
            modal.close();
        });
        const char* arguments[] = {"/no/such/dir/Missing", "file.zlt"};
        app->OpenCommandLine(arguments);
        QCOMPARE(boxes, 1);
        QCOMPARE(message, QString("Failed to open file."));
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt"));
        QVERIFY(!app->Surface().IsCommandEnabled(kCmdGenerate));
    }
};

}  // namespace zolt::testing

QTEST_MAIN(zolt::testing::ProgramTest)
#include "program_test.moc"

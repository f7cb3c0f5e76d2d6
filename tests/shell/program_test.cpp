// The program as a person uses it: keys, dialogs and files, end to end.

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>

#include "app_fixture.h"
#include "dialogs/colouring_dialog.h"
#include "shell/command_actions.h"
#include "shell/fractal_view.h"
#include "surface/command_ids.h"

namespace zolt::testing {
namespace {

// Waits for the next modal window (of the class given, when one is) and hands it to `act`. The
// wait ends with the test function, if nothing came: a later test must not meet it.
QObject* testFunction = nullptr;

template <class Modal = QWidget>
void WhenModal(std::function<void(Modal&)> act) {
    testing::WhenModal<Modal>(testFunction, std::move(act));
}

// Types `path` into a file dialog's name field and presses its Save or Open button, as a user
// does. The dialog lists its first folder in the background and then selects the name it was
// opened with, so the typing waits for that listing.
void Choose(QFileDialog& dialog, const QString& path) {
    const auto* model = dialog.findChild<QFileSystemModel*>();
    QVERIFY(model != nullptr);
    QVERIFY(QTest::qWaitFor([&] { return !model->canFetchMore(model->index(model->rootPath())); }));
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog&>(dialog).accept();
}

// A new fractal with the defaults, generated.
bool NewFractalGenerated(ZoltApplication& app) {
    WhenModal<QWidget>([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Return); });
    QTest::keyClick(app.GetMainWindow(), Qt::Key_N, Qt::ControlModifier);
    // The offscreen platform does not give the window the keys back after a dialog, as a
    // desktop does.
    app.GetMainWindow()->activateWindow();
    return QTest::qWaitForWindowActive(app.GetMainWindow()) &&
           QTest::qWaitFor([&] { return PaneText(app, 1) == "Finished"; }, 20000);
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { testFunction = new QObject; }
    void cleanup() {
        delete testFunction;
        testFunction = nullptr;
    }

    void newFractalWithItsDefaultsGeneratesTheHomeView() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);

        QVERIFY(NewFractalGenerated(*app));
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
            QVERIFY(NewFractalGenerated(*app));

            // Save on an untitled fractal asks for a name.
            bool asked = false;
            WhenModal<QWidget>([&](QWidget& modal) {
                auto* dialog = qobject_cast<QFileDialog*>(&modal);
                asked = dialog != nullptr;
                if (dialog != nullptr) {
                    Choose(*dialog, file);
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
        WhenModal<QWidget>([&](QWidget& modal) {
            asked = qobject_cast<QFileDialog*>(&modal) != nullptr;
            static_cast<QDialog&>(modal).reject();  // Cancel
        });
        QTest::keyClick(app->GetMainWindow(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Leaf"));
    }

    void exportImageWritesTheViewsPictureWhileTheWindowStaysInUse() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QVERIFY(NewFractalGenerated(*app));
        const ImageBuffer shown = app->GetWorkspace()->generator.CopyImage();

        // The size asked first is the view's, then the file; the picture is written meanwhile.
        const QString png = dir.filePath("Leaf.png");
        QSize asked;
        WhenModal<QDialog>([&](QDialog& size) {
            asked = {size.findChild<QSpinBox*>("width")->value(),
                     size.findChild<QSpinBox*>("height")->value()};
            WhenModal<QFileDialog>([&](QFileDialog& file) { Choose(file, png); });
            size.accept();
        });
        QTest::keyClick(app->GetMainWindow(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(asked, QSize(shown.width, shown.height));
        QPointer<QProgressDialog> progress =
            app->GetMainWindow()->findChild<QProgressDialog*>("ExportProgress");
        QVERIFY(progress != nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // the window stays in use
        QTRY_VERIFY_WITH_TIMEOUT(progress == nullptr, 20000);

        // The same colours as the view, and the view inside to open again.
        const QImage picture = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(shown.width, shown.height));
        for (int y = 0; y < shown.height; ++y) {
            const auto* line = reinterpret_cast<const Pixel*>(picture.constScanLine(y));
            for (int x = 0; x < shown.width; ++x)
                QCOMPARE(line[x], shown.At(x, y));
        }
        const QByteArray path = png.toUtf8();
        const char* arguments[] = {path.constData()};
        app->OpenCommandLine(arguments);
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt - Leaf"));
    }

    void anExportRunsOnceAndCancelEndsItWithoutAFile() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QVERIFY(NewFractalGenerated(*app));
        WhenModal<QDialog>([&](QDialog& size) {
            // Long enough to cancel, however fast the machine counts and compresses.
            size.findChild<QSpinBox*>("width")->setValue(16000);
            size.findChild<QSpinBox*>("height")->setValue(16000);
            WhenModal<QFileDialog>(
                [&](QFileDialog& file) { Choose(file, dir.filePath("Big.png")); });
            size.accept();
        });
        QTest::keyClick(app->GetMainWindow(), Qt::Key_E, Qt::ControlModifier);
        QPointer<QProgressDialog> progress =
            app->GetMainWindow()->findChild<QProgressDialog*>("ExportProgress");
        QVERIFY(progress != nullptr);
        // Asked for again meanwhile, Export shows the running one instead of asking anything.
        QCOMPARE(DialogsOpenedBy([&] { app->RunCommand(kCmdExportImage); }), QStringList());
        // It moves, and soon tells the time left.
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(progress->labelText().contains(" left"), 20000);

        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(progress->isVisible());  // until the threads have stopped
        QTRY_VERIFY_WITH_TIMEOUT(progress == nullptr, 20000);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // a cancel is no failure to tell
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());

        // The next export starts from the width accepted last.
        int width = 0;
        WhenModal<QDialog>([&](QDialog& size) {
            width = size.findChild<QSpinBox*>("width")->value();
            size.reject();
        });
        app->RunCommand(kCmdExportImage);
        QCOMPARE(width, 16000);
    }

    void aFailedExportSaysWhyAndLeavesNoFile() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QVERIFY(NewFractalGenerated(*app));
        QString message;
        WhenModal<QDialog>([&](QDialog& size) {
            WhenModal<QFileDialog>([&](QFileDialog& file) {
                Choose(file, dir.filePath("gone/Leaf.png"));  // a folder that is not there
            });
            size.accept();
        });
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            message = box.text();
            box.accept();
        });
        QTest::keyClick(app->GetMainWindow(), Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(
            message, QString("Failed to export image: No such file or directory."), 20000);
        QVERIFY(app->Surface().IsCommandEnabled(kCmdExportImage));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void saveAsAsksBeforeReplacingAFile() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QVERIFY(NewFractalGenerated(*app));
        const QString file = dir.filePath("Old.zlt");
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("kept");
        }
        bool questioned = false;
        WhenModal<QFileDialog>([&](QFileDialog& dialog) {
            WhenModal<QMessageBox>([&](QMessageBox& question) {
                questioned = true;
                question.button(QMessageBox::No)->click();  // keep the file
            });
            Choose(dialog, file);
            if (dialog.isVisible())  // it stays open after No
                dialog.reject();
        });
        app->RunCommand(kCmdSaveAs);
        QVERIFY(questioned);
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
    }

    void aMissingFileOnTheCommandLineIsReportedOnce() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QString message;
        int boxes = 0;
        WhenModal<QWidget>([&](QWidget& modal) {
            ++boxes;
            message = modal.findChild<QLabel*>("qt_msgbox_label") != nullptr
                          ? modal.findChild<QLabel*>("qt_msgbox_label")->text()
                          : QString();
            modal.close();
        });
        const char* arguments[] = {"/no/such/dir/Missing", "file.zlt"};
        app->OpenCommandLine(arguments);
        QCOMPARE(boxes, 1);
        QCOMPARE(message, QString("Failed to open file. No such file or directory."));
        QCOMPARE(app->GetMainWindow()->windowTitle(), QString("Zolt"));
        QVERIFY(!app->Surface().IsCommandEnabled(kCmdGenerate));
    }

    void aColouringIsChosenKeptSavedExportedAndOpenedAgain() {
        QTemporaryDir dir;
        auto app = StartApp(dir);
        QVERIFY(app != nullptr);
        QVERIFY(NewFractalGenerated(*app));
        const Generator& generator = app->GetWorkspace()->generator;
        const ImageBuffer classic = generator.CopyImage();
        QAction* colouring = app->GetMainWindow()->Actions().Action(kCmdColouring);
        const auto choose = [](ColouringDialog& dialog, const char* method) {
            auto* methods = dialog.findChild<QComboBox*>("method");
            methods->setCurrentIndex(methods->findText(method));
        };
        const auto finished = [&] { return !generator.IsRunning(); };

        // Cancel: the picture is drawn again once for what Distance reads, then put back.
        WhenModal<ColouringDialog>([&](ColouringDialog& dialog) {
            choose(dialog, "Distance");
            QVERIFY(QTest::qWaitFor(finished, 20000));
            QVERIFY(generator.CopyImage() != classic);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        });
        colouring->trigger();
        QVERIFY(IsClassicColouring(app->GetWorkspace()->current.Definition().Appearance.Colouring));
        QTRY_VERIFY_WITH_TIMEOUT(finished(), 20000);
        QVERIFY(generator.CopyImage() == classic);

        // OK: Smooth with a gradient of the user's, then saved and exported anti-aliased.
        const QString ggr = dir.filePath("Sunset.ggr");
        QFile file(ggr);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("GIMP Gradient\nName: Sunset\n1\n0 0.5 1 1 0.5 0 1 0 0 0.5 1 0 0\n");
        file.close();
        WhenModal<ColouringDialog>([&](ColouringDialog& dialog) {
            choose(dialog, "Smooth");
            WhenModal<QFileDialog>([&](QFileDialog& files) { Choose(files, ggr); });
            QTest::mouseClick(dialog.findChild<QPushButton*>("import"), Qt::LeftButton);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        colouring->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(finished(), 20000);
        const Colouring chosen = app->GetWorkspace()->current.Definition().Appearance.Colouring;
        QVERIFY(chosen.method == ColourMethod::Smooth);
        QCOMPARE(chosen.gradient.name, std::string("Sunset"));
        const ImageBuffer coloured = generator.CopyImage();
        QVERIFY(coloured != classic);

        const QString zlt = dir.filePath("Sunset.zlt");
        WhenModal<QFileDialog>([&](QFileDialog& files) { Choose(files, zlt); });
        app->RunCommand(kCmdSave);
        QVERIFY(QFile::exists(zlt));
        const QString png = dir.filePath("Sunset.png");
        WhenModal<QDialog>([&](QDialog& size) {
            auto* samples = size.findChild<QComboBox*>("antialiasing");
            samples->setCurrentIndex(samples->findData(2));
            WhenModal<QFileDialog>([&](QFileDialog& files) { Choose(files, png); });
            size.accept();
        });
        app->RunCommand(kCmdExportImage);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(png) &&
                                     QApplication::activeModalWidget() == nullptr &&
                                     !app->GetMainWindow()->findChild<QProgressDialog*>(),
                                 20000);
        // zolt-render makes the same picture from the saved file.
        const QString rendered = dir.filePath("render.png");
        QProcess render;
        render.start(ZOLT_RENDER_PATH,
                     {zlt, "--supersample", "2", "--width", QString::number(coloured.width),
                      "--height", QString::number(coloured.height), "-o", rendered});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        QCOMPARE(QImage(png), QImage(rendered));
        // The next export offers the anti-aliasing chosen last.
        int offered = 0;
        WhenModal<QDialog>([&](QDialog& size) {
            offered = size.findChild<QComboBox*>("antialiasing")->currentData().toInt();
            size.reject();
        });
        app->RunCommand(kCmdExportImage);
        QCOMPARE(offered, 2);

        // A new fractal starts in the classic colouring; the file brings its colouring back.
        app->GetMainWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->GetMainWindow()));
        QVERIFY(NewFractalGenerated(*app));
        QVERIFY(IsClassicColouring(app->GetWorkspace()->current.Definition().Appearance.Colouring));
        const QByteArray path = zlt.toUtf8();
        const char* arguments[] = {path.constData()};
        app->OpenCommandLine(arguments);
        QTRY_VERIFY_WITH_TIMEOUT(finished(), 20000);
        QVERIFY(app->GetWorkspace()->current.Definition().Appearance.Colouring == chosen);
        QVERIFY(generator.CopyImage() == coloured);
    }
};

}  // namespace zolt::testing

QTEST_MAIN(zolt::testing::ProgramTest)
#include "program_test.moc"

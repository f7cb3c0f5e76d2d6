// File > Export Zoom Movie as a person uses it: the dialog, the progress while the window stays
// in use, Cancel, and a machine without ffmpeg.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>

#include "app_fixture.h"
#include "movie/keyframe_store.h"
#include "surface/command_ids.h"

namespace zolt::testing {
namespace {

// A leaf 0.002 wide: 10.9 doublings below the home view's width.
constexpr GenerationSnapshot kLeaf{-0.7453, -0.7433, 0.1127, 0.1143, 2000, 200.0};

template <class Widget>
Widget* Field(QDialog& dialog, const char* name) {
    return dialog.findChild<Widget*>(QString::fromLatin1(name));
}

QString Summary(QDialog& dialog) {
    return Field<QLabel>(dialog, "summary")->text();
}

QPushButton* Export(QDialog& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

// Small frames into `folder`, as a user would set them.
void SmallFrames(QDialog& dialog, const QString& folder, int width = 32, int height = 18) {
    Field<QComboBox>(dialog, "size")->setCurrentIndex(3);  // Other size
    Field<QSpinBox>(dialog, "width")->setValue(width);
    Field<QSpinBox>(dialog, "height")->setValue(height);
    Field<QComboBox>(dialog, "kind")->setCurrentIndex(1);
    Field<QLineEdit>(dialog, "path")->setText(folder);
}

}  // namespace

class MovieCommandTest : public AppTest {
    Q_OBJECT

  private slots:
    void theDialogShowsTheMovieBeforeItIsMadeInTheBackground() {
        QVERIFY(DefineFractal(*app_, kLeaf, "Leaf"));
        const QString folder = dir_->filePath("leaf-frames");
        QStringList seen;
        WhenModal<QDialog>(this, [&](QDialog& dialog) {
            // The usual video to begin with, named after the definition.
            seen << Field<QComboBox>(dialog, "size")->currentText()
                 << Field<QComboBox>(dialog, "fps")->currentText()
                 << Field<QLineEdit>(dialog, "start")->text()
                 << QFileInfo(Field<QLineEdit>(dialog, "path")->text()).fileName()
                 << Summary(dialog);
            QVERIFY(!Field<QSpinBox>(dialog, "width")->isEnabled());
            Field<QComboBox>(dialog, "size")->setCurrentIndex(1);
            seen << QString::number(Field<QSpinBox>(dialog, "height")->value());
            // A start inside the view is no movie.
            Field<QLineEdit>(dialog, "start")->setText("0.001");
            seen << Summary(dialog);
            QVERIFY(!Export(dialog)->isEnabled());
            Field<QLineEdit>(dialog, "start")->setText("3.75");
            // Nor is an MP4 video of an odd width.
            Field<QComboBox>(dialog, "size")->setCurrentIndex(3);
            Field<QSpinBox>(dialog, "width")->setValue(33);
            QVERIFY(!Export(dialog)->isEnabled());
            SmallFrames(dialog, folder);
            Field<QComboBox>(dialog, "fps")->setCurrentIndex(0);  // 24
            seen << Summary(dialog);
            QTest::mouseClick(Export(dialog), Qt::LeftButton);
        });
        app_->RunCommand(kCmdExportMovie);
        QCOMPARE(seen, (QStringList{"1280 × 720", "30 frames a second", "3.75", "Leaf.mp4",
                                    "0:13 long: 388 frames from 12 keyframes.", "1080",
                                    "No movie: the start must be wider than the view.",
                                    "0:13 long: 310 frames from 12 keyframes."}));
        QPointer<QDialog> progress = app_->GetMainWindow()->findChild<QDialog*>("MovieProgress");
        QVERIFY(progress != nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // the window stays in use
        QTRY_VERIFY_WITH_TIMEOUT(progress == nullptr, 60000);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 310);
        QVERIFY(!QFileInfo::exists(folder + ".zolt-movie"));
    }

    void cancelStopsAtOnceAndKeepsTheKeyframesDone() {
        GenerationSnapshot slow = kLeaf;
        slow.Iterations = 200000;
        QVERIFY(DefineFractal(*app_, slow, "Leaf"));
        const QString folder = dir_->filePath("slow");
        // The keyframes after the first take seconds, far longer than the test takes to press
        // Cancel once the first shows, however busy the machine: the movie cannot finish first.
        WhenModal<QDialog>(this, [&](QDialog& dialog) {
            SmallFrames(dialog, folder, 640, 360);
            QTest::mouseClick(Export(dialog), Qt::LeftButton);
        });
        app_->RunCommand(kCmdExportMovie);
        QPointer<QDialog> progress = app_->GetMainWindow()->findChild<QDialog*>("MovieProgress");
        QVERIFY(progress != nullptr);
        // The keyframe just computed shows as a small picture.
        auto* keyframe = progress->findChild<QLabel*>("keyframe");
        QTRY_VERIFY_WITH_TIMEOUT(!keyframe->pixmap().isNull(), 60000);
        QVERIFY(progress->findChild<QLabel*>("step")->text().contains(" left"));
        // Asked for again meanwhile, the running movie comes to the front and nothing is asked.
        QCOMPARE(DialogsOpenedBy([&] { app_->RunCommand(kCmdExportMovie); }), QStringList());

        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(progress == nullptr, 20000);
        qInfo("cancelled after %lld ms", static_cast<long long>(clock.elapsed()));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // a cancel is no failure to tell
        QVERIFY(!QFileInfo::exists(folder));
        const std::filesystem::path work = MovieWorkFolder(folder.toStdString());
        QVERIFY(std::filesystem::exists(KeyframePath(work, 0)));
    }

    void withoutFfmpegAVideoBecomesPngFrames() {
        QVERIFY(DefineFractal(*app_, kLeaf, "Leaf"));
        ::setenv("ZOLT_FFMPEG", "/no/ffmpeg", 1);
        const QString video = dir_->filePath("leaf.mp4");
        QString told;
        WhenModal<QDialog>(this, [&](QDialog& dialog) {
            SmallFrames(dialog, video);
            Field<QComboBox>(dialog, "kind")->setCurrentIndex(0);  // an MP4 video after all
            Field<QLineEdit>(dialog, "path")->setText(video);
            WhenModal<QMessageBox>(this, [&](QMessageBox& box) {
                told = box.text();
                for (QAbstractButton* button : box.buttons())
                    if (button->text() == "Make &PNG Frames")
                        QTest::mouseClick(button, Qt::LeftButton);
            });
            QTest::mouseClick(Export(dialog), Qt::LeftButton);
        });
        app_->RunCommand(kCmdExportMovie);
        ::unsetenv("ZOLT_FFMPEG");
        QVERIFY(told.startsWith("ffmpeg is needed to make an MP4 video."));
        QPointer<QDialog> progress = app_->GetMainWindow()->findChild<QDialog*>("MovieProgress");
        QTRY_VERIFY_WITH_TIMEOUT(progress == nullptr, 60000);
        QCOMPARE(QDir(dir_->filePath("leaf")).entryList(QDir::Files).size(), 388);
        QVERIFY(!QFileInfo::exists(video));
    }
};

}  // namespace zolt::testing

QTEST_MAIN(zolt::testing::MovieCommandTest)
#include "movie_command_test.moc"

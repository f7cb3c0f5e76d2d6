#include <QApplication>
#include <QLabel>
#include <QtTest>

#include "dialog_driver.h"
#include "dialogs/about_dialog.h"
#include "dialogs/about_layout.h"
#include "surface/headless_surface.h"

namespace zolt {

class AboutDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void showsThePictureAndTheTextsBesideIt() {
        HeadlessSurface ui;
        AboutDialog dialog(QCoreApplication::instance(), ui, nullptr);
        int result = -2;
        bool opened = test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [](QDialog& window) {
                QCOMPARE(window.objectName(), QString("AboutDlg"));
                QCOMPARE(window.windowTitle(), QString("About Zolt"));
                QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
                QVERIFY(!(window.windowFlags() & Qt::WindowSystemMenuHint));
                auto text = [&](int id) { return FindControlOf<QLabel>(window, id)->text(); };
                QCOMPARE(text(kVersionLabelId), QString("Zolt 1.0"));
                QVERIFY(!text(kCreditLabelId).isEmpty());
                QCOMPARE(text(kDateLabelId), QString("21/10/98"));

                auto* picture = FindControlOf<QLabel>(window, kPictureId);
                QCOMPARE(picture->geometry(), QRect(10, 10, 64, 64));
                const QPixmap pixmap = picture->pixmap();
                QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(64, 64));
                QCOMPARE(pixmap.devicePixelRatio(), window.devicePixelRatioF());

                // The lines stand in a column 10 pixels right of the picture, spread over its
                // height, the widest one setting the dialog's width.
                const QRect version = FindControl(window, kVersionLabelId)->geometry();
                const QRect credit = FindControl(window, kCreditLabelId)->geometry();
                const QRect date = FindControl(window, kDateLabelId)->geometry();
                const int h = version.height();
                const int step = h + (64 - 3 * h) / 2;
                QCOMPARE(version.topLeft(), QPoint(84, 10));
                QCOMPARE(credit.topLeft(), QPoint(84, 10 + step));
                QCOMPARE(date.topLeft(), QPoint(84, 10 + 2 * step));
                QVERIFY(credit.width() > version.width());
                QCOMPARE(window.width(), credit.right() + 1 + 10);

                const QRect ok = FindControl(window, kOkId)->geometry();
                QCOMPARE(ok.left(), 74);
                QCOMPARE(ok.right() + 1, window.width() - 10);
                QCOMPARE(ok.bottom() + 1, window.height() - 10);
                QVERIFY(ok.top() >= 3 * step + 20);
                test::Click(window, kOkId);
            },
            &result);
        QVERIFY(opened);
        QCOMPARE(result, 1);
        QVERIFY(dialog.WasAccepted());
    }

    void thePictureIsTheSetItself() {
        HeadlessSurface ui;
        AboutDialog dialog(QCoreApplication::instance(), ui, nullptr);
        test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [](QDialog& window) {
                const QImage image = FindControlOf<QLabel>(window, kPictureId)->grab().toImage();
                // Black inside the main cardioid, colour in the corners.
                QCOMPARE(image.pixelColor(image.width() * 5 / 8, image.height() / 2),
                         QColor(Qt::black));
                QVERIFY(image.pixelColor(0, 0) != QColor(Qt::black));
                QTest::keyClick(&window, Qt::Key_Escape);
            });
        QVERIFY(!dialog.WasAccepted());
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::AboutDialogTest)
#include "about_dialog_test.moc"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

#include "dialog_driver.h"
#include "dialogs/about_dialog.h"
#include "dialogs/fractal_dialog.h"
#include "dialogs/options_dialog.h"
#include "dialogs/properties_layout.h"
#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "surface/headless_surface.h"

namespace zolt {

namespace {

// A dialog on the about template whose OK refuses a given number of times, as a dialog with
// invalid entries does, and says so.
class RefusingDialog : public ModalDialog {
  public:
    RefusingDialog(UiSurface& ui, int refusals)
        : ModalDialog(QCoreApplication::instance(), "AboutDlg", ui, nullptr), refusals_(refusals) {}
    int asked = 0;
    int sized = 0;

  protected:
    void OnSize(QDialog& /*window*/) override { ++sized; }
    bool OnOk(QDialog& /*window*/) override {
        ++asked;
        if (refusals_ == 0)
            return true;
        --refusals_;
        Ui().ShowMessage("Not yet.");
        return false;
    }

  private:
    int refusals_;
};

}  // namespace

class ModalDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void aMissingInstanceOrTemplateIsReportedAndNothingOpens() {
        HeadlessSurface ui;
        ModalDialog noInstance(nullptr, "AboutDlg", ui, nullptr);
        ModalDialog noTemplate(QCoreApplication::instance(), "", ui, nullptr);
        ModalDialog unknownTemplate(QCoreApplication::instance(), "NoSuchDlg", ui, nullptr);
        QVERIFY(!test::RunDriven(
            noInstance, [&] { return noInstance.Run(); }, [](QDialog&) {}));
        QVERIFY(!test::RunDriven(
            noTemplate, [&] { return noTemplate.Run(); }, [](QDialog&) {}));
        int result = 0;
        QVERIFY(!test::RunDriven(
            unknownTemplate, [&] { return unknownTemplate.Run(); }, [](QDialog&) {}, &result));
        QCOMPARE(result, -1);
        QCOMPARE(ui.Messages(), (std::vector<std::string>{"No application instance handle given.",
                                                          "No dialog template given."}));
        QVERIFY(!noInstance.WasAccepted() && !noTemplate.WasAccepted());
    }

    void refusedOkStaysOpenAndALaterOkAccepts() {
        HeadlessSurface ui;
        RefusingDialog dialog(ui, 2);
        int result = -2;
        QVERIFY(test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [&](QDialog& window) {
                QCOMPARE(window.objectName(), QString("AboutDlg"));
                QVERIFY(dialog.sized > 0);
                test::Click(window, kOkId);
                test::Click(window, kOkId);
                QVERIFY(window.isVisible());
                QVERIFY(!dialog.WasAccepted());
                test::Click(window, kOkId);
                QVERIFY(!window.isVisible());
            },
            &result));
        QCOMPARE(result, 1);
        QCOMPARE(dialog.asked, 3);
        QVERIFY(dialog.WasAccepted());
        QCOMPARE(ui.Messages(), std::vector<std::string>(2, "Not yet."));
        QCOMPARE(dialog.Window(), nullptr);
    }

    void refusedOkThenEscapeEndsUnaccepted() {
        HeadlessSurface ui;
        RefusingDialog dialog(ui, 1);
        int result = -2;
        test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [&](QDialog& window) {
                test::Click(window, kOkId);
                QVERIFY(window.isVisible());
                QTest::keyClick(&window, Qt::Key_Escape);
                QVERIFY(!window.isVisible());
            },
            &result);
        QCOMPARE(result, 0);
        QVERIFY(!dialog.WasAccepted());
    }

    void theCloseBoxCancelsAndASecondRunStartsUnaccepted() {
        HeadlessSurface ui;
        RefusingDialog dialog(ui, 0);
        test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [](QDialog& window) { test::Click(window, kOkId); });
        QVERIFY(dialog.WasAccepted());
        bool acceptedWhileRunning = true;
        int result = -2;
        test::RunDriven(
            dialog, [&] { return dialog.Run(); },
            [&](QDialog& window) {
                acceptedWhileRunning = dialog.WasAccepted();
                window.close();
            },
            &result);
        QVERIFY(!acceptedWhileRunning);
        QCOMPARE(result, 0);
        QVERIFY(!dialog.WasAccepted());
        QCOMPARE(dialog.asked, 1);
    }

    void cancelButtonCancels() {
        HeadlessSurface ui;
        NavigationHistory history(ui);
        CurrentFractal current(ui, history);
        FractalDialog dialog(QCoreApplication::instance(), ui, current, nullptr);
        int result = -2;
        test::RunDriven(
            dialog, [&] { return dialog.RunInMode(kNewFractalMode); },
            [](QDialog& window) { test::Click(window, kCancelId); }, &result);
        QCOMPARE(result, 0);
        QVERIFY(!dialog.WasAccepted());
        QVERIFY(!current.Initialized());
    }

    void derivedDialogsRefuseRunsWithoutWhatTheyEdit() {
        HeadlessSurface ui;
        NavigationHistory history(ui);
        CurrentFractal current(ui, history);
        FractalDialog fractal(QCoreApplication::instance(), ui, current, nullptr);
        OptionsDialog options(QCoreApplication::instance(), ui, nullptr);
        QVERIFY(!test::RunDriven(
            fractal, [&] { return fractal.RunInMode(0); }, [](QDialog&) {}));
        QVERIFY(!test::RunDriven(
            fractal, [&] { return fractal.RunInMode(3); }, [](QDialog&) {}));
        QVERIFY(!test::RunDriven(
            options, [&] { return options.RunFor(nullptr); }, [](QDialog&) {}));
        QCOMPARE(ui.Messages(), (std::vector<std::string>{"Invalid object dialog mode.",
                                                          "Invalid object dialog mode.",
                                                          "Defaults not available."}));
    }

    // The program's surface shows messages in a real message box; the dialog waits under it.
    void aRefusalShowsARealMessageBoxOverTheDialog() {
        class BoxSurface : public HeadlessSurface {
          public:
            void ShowMessage(const std::string& text) override {
                QMessageBox box(QMessageBox::NoIcon, "Message", QString::fromStdString(text),
                                QMessageBox::Ok, QApplication::activeModalWidget());
                box.exec();
            }
        } ui;
        NavigationHistory history(ui);
        CurrentFractal current(ui, history);
        FractalDialog dialog(QCoreApplication::instance(), ui, current, nullptr);
        QString caption, text;
        bool dialogOpenUnderBox = false;
        test::RunDriven(
            dialog, [&] { return dialog.RunInMode(kNewFractalMode); },
            [&](QDialog& window) {
                test::Type(window, kPstartId, "west");
                QTimer::singleShot(0, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (box == nullptr)
                        return;
                    caption = box->windowTitle();
                    text = box->text();
                    dialogOpenUnderBox = window.isVisible();
                    QTest::keyClick(box, Qt::Key_Return);
                });
                test::Click(window, kOkId);
                QVERIFY(window.isVisible());
            });
        QCOMPARE(caption, QString("Message"));
        QCOMPARE(text, QString("Pstart not valid."));
        QVERIFY(dialogOpenUnderBox);
        QVERIFY(!dialog.WasAccepted());
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::ModalDialogTest)
#include "modal_dialog_test.moc"

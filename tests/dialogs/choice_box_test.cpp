#include <QComboBox>
#include <QDialog>
#include <QtTest>
#include <memory>

#include "dialogs/choice_box.h"

namespace zolt {

namespace {

constexpr int kListId = 323;

std::unique_ptr<QDialog> DialogWithList() {
    auto dialog = std::make_unique<QDialog>();
    new QComboBox(dialog.get());
    dialog->findChild<QComboBox*>()->setObjectName(QString::number(kListId));
    return dialog;
}

QStringList Shown(const QDialog& dialog) {
    QStringList shown;
    const auto* list = dialog.findChild<QComboBox*>();
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    return shown;
}

}  // namespace

class ChoiceBoxTest : public QObject {
    Q_OBJECT

  private slots:
    void fillsAndReadsBackTheSelectedValue() {
        const auto dialog = DialogWithList();
        ChoiceBox box;
        box.Bind(dialog.get(), kListId);
        box.FillHalving(256, 4, 64);
        QCOMPARE(Shown(*dialog), QStringList({"256", "128", "64", "32", "16", "8", "4"}));
        QCOMPARE(dialog->findChild<QComboBox*>()->currentIndex(), 2);
        QCOMPARE(box.SelectedValue(), std::optional<int>(64));
        // A second fill replaces the first, and a value not offered selects nothing.
        box.FillHalving(16, 4, 256);
        QCOMPARE(Shown(*dialog), QStringList({"16", "8", "4"}));
        QCOMPARE(dialog->findChild<QComboBox*>()->currentIndex(), -1);
        QCOMPARE(box.SelectedValue(), std::nullopt);
        box.EnableChoices(false);
        QVERIFY(!dialog->findChild<QComboBox*>()->isEnabled());
    }

    void entriesKeepTheOrderOfTheChoicesBeyondGrowth() {
        const auto dialog = DialogWithList();
        ChoiceBox box;
        box.Bind(dialog.get(), kListId);
        box.ClearChoices();
        QStringList expected;
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(box.AddChoice(std::to_string(100 - i), 100 - i), std::optional<int>(i));
            expected << QString::number(100 - i);
        }
        // Nothing reaches the list before it is shown.
        QVERIFY(Shown(*dialog).isEmpty());
        box.ShowChoices(35);
        QCOMPARE(Shown(*dialog), expected);
        QCOMPARE(box.SelectedValue(), std::optional<int>(65));
        box.ShowChoices(-1);
        QCOMPARE(box.SelectedValue(), std::nullopt);
        box.ClearChoices();
        QVERIFY(Shown(*dialog).isEmpty());
        QCOMPARE(box.Choices().Count(), 0);
    }

    void aChoiceWorthMinusOneReadsAsNoChoice() {
        const auto dialog = DialogWithList();
        ChoiceBox box;
        box.Bind(dialog.get(), kListId);
        box.AddChoice("none", -1);
        box.AddChoice("zero", 0);
        box.ShowChoices(0);
        QCOMPARE(box.SelectedValue(), std::nullopt);
        box.ShowChoices(1);
        QCOMPARE(box.SelectedValue(), std::optional<int>(0));
    }

    void unboundOrWithoutItsWindowItDoesNothing() {
        ChoiceBox unbound;
        QCOMPARE(unbound.AddChoice("8", 8), std::nullopt);
        unbound.FillHalving(8, 1, 8);
        QCOMPARE(unbound.Choices().Count(), 0);
        QCOMPARE(unbound.SelectedValue(), std::nullopt);

        auto dialog = DialogWithList();
        ChoiceBox box;
        box.Bind(dialog.get(), 0);
        QVERIFY(!box.Bound());
        box.Bind(dialog.get(), kListId);
        box.FillHalving(8, 1, 8);
        QCOMPARE(box.SelectedValue(), std::optional<int>(8));
        // The window of a finished run is gone; the wrapper must not reach for it.
        dialog.reset();
        QVERIFY(!box.Bound());
        QCOMPARE(box.SelectedValue(), std::nullopt);
        box.FillHalving(4, 1, 4);
        box.EnableChoices(false);
        // A control id the window does not have binds but finds nothing to fill.
        auto other = DialogWithList();
        box.Bind(other.get(), 402);
        box.FillHalving(8, 1, 8);
        QVERIFY(Shown(*other).isEmpty());
        QCOMPARE(box.SelectedValue(), std::nullopt);
    }
};

}  // namespace zolt

QTEST_MAIN(zolt::ChoiceBoxTest)
#include "choice_box_test.moc"

#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialogs/dialog_controls.h"
#include "dialogs/modal_dialog.h"

namespace zolt::test {

// Runs a dialog through `run` and, once its window is up, hands the window to `drive`, which
// works it as a user would: typing, clicking and picking. Whatever the driver leaves open is
// cancelled afterwards, so a failed check cannot leave the test waiting for ever. True when
// the window came up at all.
inline bool RunDriven(ModalDialog& dialog, const std::function<int()>& run,
                      const std::function<void(QDialog&)>& drive, int* result = nullptr) {
    QObject guard;  // takes the pending timer with it when the dialog never opens
    bool opened = false;
    QTimer::singleShot(0, &guard, [&] {
        QDialog* window = dialog.Window();
        if (window == nullptr)
            return;
        opened = true;
        drive(*window);
        if (QDialog* still = dialog.Window(); still != nullptr && still->isVisible())
            still->reject();
    });
    const int outcome = run();
    if (result != nullptr)
        *result = outcome;
    return opened;
}

inline QLineEdit* Edit(QDialog& window, int id) {
    return FindControlOf<QLineEdit>(window, id);
}
inline QComboBox* List(QDialog& window, int id) {
    return FindControlOf<QComboBox>(window, id);
}
inline QAbstractButton* Button(QDialog& window, int id) {
    return FindControlOf<QAbstractButton>(window, id);
}

// Selects the whole field and types over it; an empty text erases it.
inline void Type(QDialog& window, int id, const QString& text) {
    QLineEdit* edit = Edit(window, id);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

inline void Click(QDialog& window, int id) {
    QTest::mouseClick(Button(window, id), Qt::LeftButton);
}

// Opens the list, moves to the entry that shows `label` and presses Enter: one selection
// change, as picking the entry with the mouse would make.
inline bool Pick(QDialog& window, int id, const QString& label) {
    QComboBox* list = List(window, id);
    const int target = list->findText(label);
    if (target < 0 || !list->isEnabled())
        return false;
    list->showPopup();
    QAbstractItemView* view = list->view();
    for (int step = 0; step < 64 && view->currentIndex().row() != target; ++step)
        QTest::keyClick(view, view->currentIndex().row() < target ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
    return list->currentIndex() == target;
}

inline QStringList Entries(QDialog& window, int id) {
    QStringList entries;
    QComboBox* list = List(window, id);
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

// The selected entry's text; empty when nothing is selected.
inline QString Selected(QDialog& window, int id) {
    QComboBox* list = List(window, id);
    return list->currentIndex() < 0 ? QString() : list->currentText();
}

inline QString Text(QDialog& window, int id) {
    return Edit(window, id)->text();
}
inline bool Enabled(QDialog& window, int id) {
    return FindControl(window, id)->isEnabled();
}

}  // namespace zolt::test

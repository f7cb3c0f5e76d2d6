#include "dialogs/dialog_controls.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>

#include "dialogs/centre_position.h"

namespace zolt {

QWidget* FindControl(const QWidget& dialog, int id) {
    return dialog.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void MoveDialogControl(QWidget& dialog, int id, int x, int y, int width, int height) {
    QWidget* control = FindControl(dialog, id);
    if (control == nullptr)
        return;
    control->setGeometry(x, y, width == -1 ? control->width() : width,
                         height == -1 ? control->height() : height);
}

ControlSizes MeasureControls(const QWidget& dialog) {
    ControlSizes sizes;
    for (const QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        bool isId = false;
        const int id = control->objectName().toInt(&isId);
        if (isId)
            sizes[id] = {control->width(), control->height()};
    }
    return sizes;
}

void PlaceControls(QWidget& dialog, const ControlPlaces& places) {
    for (const auto& [id, place] : places)
        MoveDialogControl(dialog, id, place.x, place.y, place.width, place.height);
}

void MoveToCentre(const QWidget* reference, QWidget& window) {
    QRect area;
    if (reference != nullptr) {
        area = reference->frameGeometry();
    } else {
        const QScreen* screen = window.screen();
        if (screen == nullptr)
            screen = QGuiApplication::primaryScreen();
        if (screen == nullptr)
            return;
        area = screen->geometry();
    }
    const QRect frame = window.frameGeometry();
    const LayoutPoint corner = CentredPosition({area.x(), area.y(), area.width(), area.height()},
                                               {frame.width(), frame.height()});
    window.move(corner.x, corner.y);
}

void CentreWindow(const QWidget* reference, QWidget& window) {
    MoveToCentre(reference, window);
    QResizeEvent resized(window.size(), window.size());
    QCoreApplication::sendEvent(&window, &resized);
}

std::string ControlText(const QWidget& dialog, int id) {
    const QWidget* control = FindControl(dialog, id);
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text().toStdString();
    return {};
}

void SetControlText(QWidget& dialog, int id, const std::string& text) {
    QWidget* control = FindControl(dialog, id);
    const QString shown = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(shown);
        // Long numbers show their first digits, not their last.
        edit->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(shown);
    }
}

void EnableControl(QWidget& dialog, int id, bool enable) {
    if (QWidget* control = FindControl(dialog, id))
        control->setEnabled(enable);
}

}  // namespace zolt

#include "dialogs/modal_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_templates.h"
#include "surface/ui_surface.h"

namespace zolt {

// The window of one run: passes its size changes to the dialog object.
class DialogWindow : public QDialog {
  public:
    DialogWindow(ModalDialog& dialog, QWidget* owner) : QDialog(owner), dialog_(dialog) {}

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QDialog::resizeEvent(event);
        dialog_.DispatchSize();
    }
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (!shown_) {
            shown_ = true;
            dialog_.DispatchFirstShow();
        }
    }

  private:
    ModalDialog& dialog_;
    bool shown_ = false;
};

ModalDialog::ModalDialog(QCoreApplication* instance, std::string templateName, UiSurface& ui,
                         QWidget* owner)
    : instance_(instance), templateName_(std::move(templateName)), ui_(ui), owner_(owner) {}

ModalDialog::~ModalDialog() {
    delete window_.data();
}

QDialog* ModalDialog::Window() const {
    return window_.data();
}

int ModalDialog::Run() {
    accepted_ = false;
    // Widgets need an application with a user interface, not a bare core application.
    if (instance_.isNull() || qobject_cast<QApplication*>(instance_.data()) == nullptr) {
        ui_.ShowMessage("No application instance handle given.");
        return -1;
    }
    if (templateName_.empty()) {
        ui_.ShowMessage("No dialog template given.");
        return -1;
    }
    // One window per object at a time: a run from inside its own run would share its state.
    if (!window_.isNull())
        return -1;

    QWidget* owner = owner_.isNull() ? QApplication::activeWindow() : owner_.data();
    window_ = new DialogWindow(*this, owner);
    if (!BuildDialogTemplate(templateName_, *window_)) {
        delete window_.data();
        return -1;
    }
    RouteControls();
    DispatchMessage(DialogMessage::Init, 0);
    const int result = window_->exec();
    // The owner may have taken the window with it while it ran.
    delete window_.data();
    return result == QDialog::Accepted && accepted_ ? 1 : 0;
}

bool ModalDialog::OnMessage(QDialog& /*window*/, DialogMessage /*message*/, int /*control*/) {
    return false;
}

void ModalDialog::OnSize(QDialog& /*window*/) {}

bool ModalDialog::OnOk(QDialog& /*window*/) {
    return true;
}

void ModalDialog::ApplyLayout(QDialog& window, LayoutFunction layOut, const QWidget* centreOver) {
    centreOver_ = centreOver;
    const SettledLayout settled =
        SettleLayout({window.width(), window.height()}, MeasureControls(window), layOut);
    if (settled.resized)
        window.setFixedSize(settled.client.width, settled.client.height);
    if (settled.recentre)
        MoveToCentre(centreOver, window);
    PlaceControls(window, settled.layout.places);
}

void ModalDialog::RouteControls() {
    DialogWindow* window = window_.data();
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        bool isId = false;
        const int id = control->objectName().toInt(&isId);
        if (!isId)
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            if (id == kOkId) {
                QObject::connect(button, &QAbstractButton::clicked, window,
                                 [this] { DispatchOk(); });
            } else if (id == kCancelId) {
                QObject::connect(button, &QAbstractButton::clicked, window, &QDialog::reject);
            } else {
                QObject::connect(button, &QAbstractButton::clicked, window,
                                 [this, id] { DispatchMessage(DialogMessage::Clicked, id); });
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            QObject::connect(edit, &QLineEdit::textChanged, window,
                             [this, id] { DispatchMessage(DialogMessage::TextChanged, id); });
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            QObject::connect(list, &QComboBox::activated, window,
                             [this, id] { DispatchMessage(DialogMessage::SelectionChanged, id); });
        }
    }
}

void ModalDialog::DispatchMessage(DialogMessage message, int control) {
    if (!window_.isNull())
        OnMessage(*window_, message, control);
}

void ModalDialog::DispatchSize() {
    // A layout that grows the window causes a resize of its own; the layout under way already
    // works with the new size.
    if (window_.isNull() || sizing_)
        return;
    sizing_ = true;
    OnSize(*window_);
    sizing_ = false;
}

void ModalDialog::DispatchFirstShow() {
    // The window was centred before it had a frame; now that the frame is known, centre the
    // whole window as it will be seen.
    if (!window_.isNull())
        MoveToCentre(centreOver_.data(), *window_);
}

void ModalDialog::DispatchOk() {
    if (window_.isNull())
        return;
    if (OnOk(*window_)) {
        accepted_ = true;
        window_->accept();
    }
}

}  // namespace zolt

#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "dialogs/dialog_fit.h"

class QCoreApplication;
class QDialog;

namespace zolt {

class DialogWindow;
class UiSurface;

// What a dialog's controls tell it, besides OK and Cancel.
enum class DialogMessage {
    Init,              // the controls exist; the window is about to be shown
    Clicked,           // a button or check box other than OK and Cancel was clicked
    TextChanged,       // an edit field's text changed, whether typed or set
    SelectionChanged,  // the user picked an entry of a drop-down list
};

// The base of every dialog: builds the dialog's window from its template, runs it modally,
// hands what happens in it to three operations, and closes it on OK or Cancel.
//
// OK asks OnOk, which accepts (the dialog closes) or refuses (it stays open; OnOk has told the
// user why). Cancel, Escape and the close box cancel. Each run builds a new window and starts
// unaccepted, so one object can be run again and again.
class ModalDialog {
  public:
    // `instance` is the application the dialog runs in; `templateName` names the template its
    // controls come from and becomes the window's object name; `owner` is the window the dialog
    // stays in front of (the active window when there is none).
    ModalDialog(QCoreApplication* instance, std::string templateName, UiSurface& ui,
                QWidget* owner);
    virtual ~ModalDialog();
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog until it is closed: 1 when accepted through OK, 0 when cancelled, -1 when
    // it could not be shown (after a message for a missing instance or template name).
    int Run();
    bool WasAccepted() const { return accepted_; }
    const std::string& TemplateName() const { return templateName_; }
    // The dialog's window while it runs, for whoever must reach its controls.
    QDialog* Window() const;

  protected:
    // Everything but size changes, OK and Cancel. True when handled.
    virtual bool OnMessage(QDialog& window, DialogMessage message, int control);
    // The window's size changed (or it was centred): lay the controls out afresh.
    virtual void OnSize(QDialog& window);
    // OK was pressed: true accepts and closes the dialog.
    virtual bool OnOk(QDialog& window);

    // Lays the controls out with `layOut`, first growing the window as far as the content needs
    // and centring it again over `centreOver` (the screen when null) when it grew.
    void ApplyLayout(QDialog& window, LayoutFunction layOut, const QWidget* centreOver);

    UiSurface& Ui() const { return ui_; }
    QWidget* Owner() const { return owner_.data(); }
    // For runs a derived dialog refuses before they start.
    void ClearAccepted() { accepted_ = false; }

  private:
    friend class DialogWindow;
    void RouteControls();
    void DispatchMessage(DialogMessage message, int control);
    void DispatchSize();
    void DispatchOk();
    void DispatchFirstShow();

    QPointer<QCoreApplication> instance_;
    std::string templateName_;
    UiSurface& ui_;
    QPointer<QWidget> owner_;
    QPointer<DialogWindow> window_;
    // What the last layout centred the window over (the screen when null).
    QPointer<const QWidget> centreOver_;
    bool accepted_ = false;
    bool sizing_ = false;
};

}  // namespace zolt

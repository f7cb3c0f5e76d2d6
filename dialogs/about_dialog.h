#pragma once

#include "dialogs/modal_dialog.h"

namespace zolt {

// Help > About: the program's picture, name and version, credit line and date, with OK.
class AboutDialog : public ModalDialog {
  public:
    AboutDialog(QCoreApplication* instance, UiSurface& ui, QWidget* owner);

  protected:
    bool OnMessage(QDialog& window, DialogMessage message, int control) override;
    void OnSize(QDialog& window) override;
};

}  // namespace zolt

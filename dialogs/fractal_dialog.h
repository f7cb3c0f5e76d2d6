#pragma once

#include "dialogs/choice_box.h"
#include "dialogs/modal_dialog.h"
#include "dialogs/properties_fields.h"

namespace zolt {

class CurrentFractal;
class Generator;

// Defines a new fractal or edits the current one. Qfinish follows the typed coordinates; OK
// checks the fields in order and, when they are valid, makes the result current.
class FractalDialog : public ModalDialog {
  public:
    // With a generator, OK also refuses a view it could not draw (AcceptProperties).
    FractalDialog(QCoreApplication* instance, UiSurface& ui, CurrentFractal& current,
                  QWidget* owner, const Generator* generator = nullptr);

    // Runs as New (kNewFractalMode) or Properties (kPropertiesMode); any other mode is refused
    // with a message and nothing opens. Afterwards WasAccepted tells whether the current
    // definition was replaced.
    int RunInMode(int mode);

  protected:
    bool OnMessage(QDialog& window, DialogMessage message, int control) override;
    void OnSize(QDialog& window) override;
    bool OnOk(QDialog& window) override;

  private:
    void Open(QDialog& window);
    void Fill(QDialog& window, const FractalDef& def);
    void FollowMonochrome(QDialog& window);
    PropertiesEntries ReadEntries(const QDialog& window) const;

    CurrentFractal& current_;
    const Generator* generator_;
    int mode_ = 0;
    ChoiceBox colours_;
};

}  // namespace zolt

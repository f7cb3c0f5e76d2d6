#pragma once

#include "dialogs/choice_box.h"
#include "dialogs/modal_dialog.h"

namespace zolt {

class GenerationDefaults;

// Edits the generation defaults: automatic generation, the range of block sizes the passes run
// through and the iterative increment. OK stores and saves them; Cancel changes nothing.
class OptionsDialog : public ModalDialog {
  public:
    OptionsDialog(QCoreApplication* instance, UiSurface& ui, QWidget* owner);

    // Runs for `settings`; without them "Defaults not available." and nothing opens.
    int RunFor(GenerationDefaults* settings);

  protected:
    bool OnMessage(QDialog& window, DialogMessage message, int control) override;
    void OnSize(QDialog& window) override;
    bool OnOk(QDialog& window) override;

  private:
    void Open(QDialog& window);
    bool RelinkLists();

    GenerationDefaults* settings_ = nullptr;
    ChoiceBox initial_;
    ChoiceBox penultimate_;
};

// Makes the options dialog the editor of `defaults` (its Edit runs the dialog over `parent`).
// The dialog lives as long as the defaults keep their editor.
void InstallOptionsDialog(GenerationDefaults& defaults, UiSurface& ui, QWidget* parent);

}  // namespace zolt

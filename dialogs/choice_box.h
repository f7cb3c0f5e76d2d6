#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "dialogs/choice_list.h"

class QComboBox;

namespace zolt {

// A drop-down list of numbers in a running dialog, filled from the choice list it owns. Each
// entry shows its choice's label and carries its value; entries keep the list's order.
//
// Dialogs bind it afresh on every run, since every run has a new window. Unbound, or once its
// window is gone, it does nothing and every read fails.
class ChoiceBox {
  public:
    void Bind(QWidget* dialog, int control);
    bool Bound() const { return !dialog_.isNull() && control_ != 0; }

    // Empties the drop-down list and the choice list.
    void ClearChoices();
    // Appends a choice to the list, not yet to the drop-down list; its index, none when unbound.
    std::optional<int> AddChoice(std::string label, int value);
    // Shows the choices in the drop-down list and selects entry `index` (-1: none).
    void ShowChoices(int index);
    // The value of the selected entry; none when unbound, with nothing selected, or for an
    // entry whose value is -1.
    std::optional<int> SelectedValue() const;
    void EnableChoices(bool enable);
    // Shows high, high / 2, ... down to low, selecting the one equal to `selected` if any.
    void FillHalving(int high, int low, int selected);

    const ChoiceList& Choices() const { return choices_; }

  private:
    QComboBox* List() const;

    QPointer<QWidget> dialog_;
    int control_ = 0;
    ChoiceList choices_;
};

}  // namespace zolt

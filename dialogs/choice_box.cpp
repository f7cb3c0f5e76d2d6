#include "dialogs/choice_box.h"

#include <QComboBox>

#include "dialogs/dialog_controls.h"

namespace zolt {

void ChoiceBox::Bind(QWidget* dialog, int control) {
    dialog_ = dialog;
    control_ = control;
}

QComboBox* ChoiceBox::List() const {
    if (!Bound())
        return nullptr;
    return FindControlOf<QComboBox>(*dialog_, control_);
}

void ChoiceBox::ClearChoices() {
    if (!Bound())
        return;
    if (QComboBox* list = List())
        list->clear();
    choices_.Clear();
}

std::optional<int> ChoiceBox::AddChoice(std::string label, int value) {
    if (!Bound())
        return std::nullopt;
    return choices_.Add(std::move(label), value);
}

void ChoiceBox::ShowChoices(int index) {
    QComboBox* list = List();
    if (list == nullptr)
        return;
    list->clear();
    for (const Choice& choice : choices_.All())
        list->addItem(QString::fromStdString(choice.label), choice.value);
    // Filling an empty list selects its first entry; the caller decides what is selected.
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

std::optional<int> ChoiceBox::SelectedValue() const {
    const QComboBox* list = List();
    if (list == nullptr || list->currentIndex() < 0)
        return std::nullopt;
    bool isNumber = false;
    const int value = list->currentData().toInt(&isNumber);
    if (!isNumber || value == -1)
        return std::nullopt;
    return value;
}

void ChoiceBox::EnableChoices(bool enable) {
    if (QComboBox* list = List())
        list->setEnabled(enable);
}

void ChoiceBox::FillHalving(int high, int low, int selected) {
    if (!Bound())
        return;
    ClearChoices();
    const int index = zolt::FillHalving(choices_, high, low, selected);
    ShowChoices(index);
}

}  // namespace zolt

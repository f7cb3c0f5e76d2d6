#include "dialogs/choice_list.h"

#include <utility>

namespace zolt {

int ChoiceList::Add(std::string label, int value) {
    if (choices_.size() == choices_.capacity())
        choices_.reserve(choices_.capacity() + kGrowth);
    const int index = Count();
    choices_.push_back({std::move(label), value, index});
    return index;
}

void ChoiceList::Clear() {
    // Releases the storage too, not only the choices.
    std::vector<Choice>().swap(choices_);
}

int FillHalving(ChoiceList& list, int high, int low, int selected) {
    list.Clear();
    int select = -1;
    int value = high;
    for (;;) {
        const int index = list.Add(std::to_string(value), value);
        if (value == selected)
            select = index;
        const int next = value / 2;
        // Halving stops making progress at 0; without this check a low of 0 or less would
        // add zeros for ever.
        if (next < low || next == value)
            break;
        value = next;
    }
    return select;
}

}  // namespace zolt

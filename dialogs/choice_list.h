#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace zolt {

// One entry of a drop-down list: what it shows and the number it stands for.
struct Choice {
    std::string label;
    int value = 0;
    int index = 0;  // its position, counted from 0, fixed when it is added
    bool operator==(const Choice&) const = default;
};

// The choices of a drop-down list, in the order they were added (never sorted).
class ChoiceList {
  public:
    // Room is made this many choices at a time.
    static constexpr std::size_t kGrowth = 32;

    // Appends a choice and gives back its index.
    int Add(std::string label, int value);
    void Clear();

    int Count() const { return static_cast<int>(choices_.size()); }
    std::size_t Capacity() const { return choices_.capacity(); }
    const Choice& At(int index) const { return choices_.at(static_cast<std::size_t>(index)); }
    std::span<const Choice> All() const { return choices_; }

  private:
    std::vector<Choice> choices_;
};

// Fills the list (after clearing it) with high, high / 2, high / 4, ... for as long as the
// value is at least `low`; high itself always comes first, even below `low`. Gives the index
// of the choice equal to `selected`, or -1 when there is none.
int FillHalving(ChoiceList& list, int high, int low, int selected);

}  // namespace zolt

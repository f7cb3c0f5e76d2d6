#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zolt {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour table numbered from 1. Capacity is -1 while there is no storage; Next is the number
// the next appended entry receives, so the table holds Next() - 1 entries.
//
// There is no shared traversal cursor: Entries() hands out a view, so every reader keeps its
// own position and two threads reading the same palette never disturb or refuse each other.
class Palette {
  public:
    void Clear();
    // Clears, then makes room for n entries. Memory grows with the entries actually appended,
    // so a large n that is never filled costs nothing.
    bool Allocate(int n);
    // Fails without storage or when the table is full.
    bool Append(Rgb entry);

    int Capacity() const { return capacity_; }
    int Next() const { return static_cast<int>(entries_.size()) + 1; }
    int Count() const { return static_cast<int>(entries_.size()); }
    bool HasStorage() const { return capacity_ >= 0; }

    // Entry number n, 1 <= n <= Count().
    const Rgb& Entry(int number) const { return entries_[static_cast<std::size_t>(number - 1)]; }
    // Entries 1 to Count(), in order.
    std::span<const Rgb> Entries() const { return entries_; }

    bool operator==(const Palette&) const = default;

  private:
    std::vector<Rgb> entries_;
    int capacity_ = -1;
};

// Fills the palette with n colours from sines and cosines of an angle that grows with the
// entry number, with a different mix in each third of the table.
bool BuildPalette(int n, Palette& palette);

}  // namespace zolt

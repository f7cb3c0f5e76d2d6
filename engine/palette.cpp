#include "engine/palette.h"

#include <cmath>
#include <new>

namespace zolt {

void Palette::Clear() {
    entries_.clear();
    entries_.shrink_to_fit();
    capacity_ = -1;
}

bool Palette::Allocate(int n) {
    Clear();
    if (n < 0)
        return false;
    capacity_ = n;
    return true;
}

bool Palette::Append(Rgb entry) {
    if (capacity_ < 0 || Count() >= capacity_)
        return false;
    try {
        entries_.push_back(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

namespace {

// Maps -1 to 0 and 1 to 255, truncating toward zero.
std::uint8_t Level(double x) {
    return static_cast<std::uint8_t>((x * 0.5 + 0.5) * 255);
}

}  // namespace

bool BuildPalette(int n, Palette& palette) {
    if (!palette.Allocate(n))
        return false;
    // The constant is the decimal the palettes were designed with, not the full value of 2 pi:
    // saved palettes and images depend on it.
    constexpr double kTurn = 6.283185307;
    const int third = n / 3;
    for (int i = 0; i < n; ++i) {
        const double a = (static_cast<double>(2 * static_cast<long long>(i)) * kTurn) / n;
        Rgb rgb;
        if (i < third)
            rgb = {Level(std::sin(4 * a)), Level(-std::cos(2 * a)), Level(-std::sin(a))};
        else if (i < 2 * third)
            rgb = {Level(-std::cos(a)), Level(-std::sin(4 * a)), Level(std::sin(2 * a))};
        else
            rgb = {Level(-std::sin(2 * a)), Level(std::sin(a)), Level(-std::cos(4 * a))};
        if (!palette.Append(rgb)) {
            palette.Clear();
            return false;
        }
    }
    return true;
}

}  // namespace zolt

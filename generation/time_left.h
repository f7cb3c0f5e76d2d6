#pragma once

#include <optional>

namespace zolt {

// The time a picture still needs, from how fast its rows went so far: none until a second has
// passed since the rows began and one of them is done, before which a guess would mislead.
std::optional<double> SecondsLeft(int rowsDone, int rows, double secondsSinceRowsBegan);

}  // namespace zolt

#include "generation/time_left.h"

namespace zolt {

std::optional<double> SecondsLeft(int rowsDone, int rows, double secondsSinceRowsBegan) {
    if (rowsDone < 1 || rows < 1 || !(secondsSinceRowsBegan >= 1.0))
        return std::nullopt;
    const int left = rows > rowsDone ? rows - rowsDone : 0;
    return secondsSinceRowsBegan * left / rowsDone;
}

}  // namespace zolt

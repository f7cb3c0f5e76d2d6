#include "generation/time_left.h"

#include <cmath>
#include <cstdio>

namespace zolt {

std::optional<double> SecondsLeft(int rowsDone, int rows, double secondsSinceRowsBegan) {
    if (rowsDone < 1 || rows < 1 || !(secondsSinceRowsBegan >= 1.0))
        return std::nullopt;
    const int left = rows > rowsDone ? rows - rowsDone : 0;
    return secondsSinceRowsBegan * left / rowsDone;
}

std::string DurationText(double seconds) {
    // Beyond a hundred thousand hours it makes no difference to anyone.
    constexpr double kLongest = 1e5 * 3600;
    const long long whole =
        std::isfinite(seconds) && seconds > 0 ? std::llround(std::fmin(seconds, kLongest)) : 0;
    char text[48];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace zolt

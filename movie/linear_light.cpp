#include "movie/linear_light.h"

#include <algorithm>
#include <cmath>

namespace zolt {

namespace {

double ToLinear(double s) {
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

double ToSrgb(double l) {
    return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
}

}  // namespace

LinearLight::LinearLight() : encode_(kSteps) {
    for (int v = 0; v < 256; ++v)
        decode_[static_cast<std::size_t>(v)] = static_cast<float>(ToLinear(v / 255.0));
    for (int i = 0; i < kSteps; ++i) {
        const double s = ToSrgb(static_cast<double>(i) / (kSteps - 1)) * 255.0;
        encode_[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::lround(std::clamp(s, 0.0, 255.0)));
    }
}

const LinearLight& LinearLight::Get() {
    static const LinearLight table;
    return table;
}

}  // namespace zolt

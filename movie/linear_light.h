#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zolt {

// Averages and blends of colours are taken in linear light, as light mixes: sRGB values are
// decoded to linear intensities, mixed, and encoded again. Mixing the sRGB values themselves
// would darken every edge between bright and dark.
class LinearLight {
  public:
    static const LinearLight& Get();

    // The linear intensity (0 to 1) of an sRGB channel value.
    float Decode(std::uint8_t value) const { return decode_[value]; }
    // The nearest sRGB channel value of a linear intensity (clamped to 0 .. 1).
    std::uint8_t Encode(float linear) const {
        const float scaled = linear * static_cast<float>(kSteps - 1) + 0.5f;
        if (!(scaled > 0.0f))
            return 0;
        if (scaled >= static_cast<float>(kSteps - 1))
            return 255;
        return encode_[static_cast<std::size_t>(scaled)];
    }

  private:
    LinearLight();
    // Intensities near black change fastest in sRGB: a step here is a twentieth of the smallest
    // sRGB step, so every value decoded encodes back to itself.
    static constexpr int kSteps = 1 << 16;
    std::array<float, 256> decode_{};
    std::vector<std::uint8_t> encode_;
};

}  // namespace zolt

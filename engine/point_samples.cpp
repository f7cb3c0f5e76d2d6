#include "engine/point_samples.h"

#include <algorithm>
#include <cmath>

namespace zolt {

void SamplePlanes::Allocate(SampleLevel planes, std::size_t pixels) {
    level = planes;
    counts.assign(pixels, 0);
    const std::size_t fractions = planes >= SampleLevel::Fraction ? pixels : 0;
    const std::size_t distances = planes >= SampleLevel::Distance ? pixels : 0;
    fraction.assign(fractions, 0.0f);
    dex.assign(distances, 0.0f);
    dey.assign(distances, 0.0f);
}

void SamplePlanes::Clear() {
    level = SampleLevel::Counts;
    for (auto* plane : {&fraction, &dex, &dey})
        std::vector<float>().swap(*plane);
    std::vector<int>().swap(counts);
}

SampleRun SamplePlanes::Run(std::size_t from, std::size_t size) const {
    const auto at = [from](const std::vector<float>& plane) {
        return plane.empty() ? nullptr : plane.data() + from;
    };
    return {counts.data() + from, at(fraction), at(dex), at(dey), size};
}

double TailLog2LnBound(double escape) {
    // Below 4 the tail's own radius stands in: orbits let out below |z| = 2 only truly escape
    // from there.
    const double bound = escape > 4.0 && std::isfinite(escape) ? escape : 4.0;
    return std::log2(0.5 * std::log(bound));
}

}  // namespace zolt

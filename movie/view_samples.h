#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/image_buffer.h"
#include "generation/picture.h"

namespace zolt {

// The one door through which movies and OpenEXR pictures get the pixels of a view: the picture
// that WriteDefinitionPicture writes of it (generation/picture.h), band by band, and for OpenEXR
// the data other programs colour from. Everything else in movie/ works on what this gives.

// What each pixel holds for OpenEXR, all of the pixel's own point (the first of its samples,
// where the pixel's point of the view without supersampling lies):
// - count: the escape-time count; kInteriorCount for points that never escaped;
// - fraction: 1 + the smooth count's fraction (engine/point_samples.h), from about 0 to 1, so
//   that count + fraction is Zolt's continuous count plus one and runs on without a step from
//   one band of counts to the next; 0 inside;
// - distanceX, distanceY: the distance estimate as a vector, in the picture's pixels, pointing
//   away from the set along the columns and down the rows; its length estimates how far the
//   point lies from the set; 0 inside.
struct PixelData {
    std::vector<std::uint32_t> count;
    std::vector<float> fraction;
    std::vector<float> distanceX;
    std::vector<float> distanceY;
};

inline constexpr std::uint32_t kInteriorCount = 0xFFFFFFFFu;

// A band of the picture as it is done: `pixels.height` rows from `firstRow`, and their data when
// it was asked for.
struct ViewBand {
    int firstRow = 0;
    const ImageBuffer& pixels;
    const PixelData* data = nullptr;
};

// Computes the prepared picture of `def` (PrepareDefinitionPicture) band by band, calling `sink`
// with each band on the calling thread (a sink that returns false ends the picture there, having
// set `reason` itself) and `picture.rowProgress` with the rows done. With `data`, the bands also
// bring their PixelData, which takes every sample the points leave (the pixels are the same).
// False with `reason` ("cancelled" when cancelled) when not every band reached the sink.
bool RenderViewBands(const FractalDef& def, const DefinitionPicture& picture,
                     PreparedPicture& prepared, bool data,
                     const std::function<bool(const ViewBand& band)>& sink, std::string& reason);

}  // namespace zolt

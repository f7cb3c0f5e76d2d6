#include "movie/view_samples.h"

#include <algorithm>
#include <new>

namespace zolt {

namespace {

// The data of a band's pixels from its samples: each pixel's first sample.
void TakeData(const PictureBand& band, int supersample, int iterations, PixelData& data) {
    const int width = band.pixels.width;
    const int rows = band.pixels.height;
    const std::size_t pixels = static_cast<std::size_t>(width) * rows;
    data.count.resize(pixels);
    data.fraction.resize(pixels);
    data.distanceX.resize(pixels);
    data.distanceY.resize(pixels);
    const SamplePlanes& planes = band.samples.samples;
    const std::size_t sampleWidth = static_cast<std::size_t>(width) * supersample;
    // The distance estimate comes in the samples' pixels.
    const float toPixels = 1.0f / static_cast<float>(supersample);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t from = static_cast<std::size_t>(y) * supersample * sampleWidth +
                                     static_cast<std::size_t>(x) * supersample;
            const std::size_t to = static_cast<std::size_t>(y) * width + x;
            const int count = planes.counts[from];
            const bool inside = count >= iterations;
            data.count[to] = inside ? kInteriorCount : static_cast<std::uint32_t>(count);
            data.fraction[to] = inside ? 0.0f : 1.0f + planes.fraction[from];
            data.distanceX[to] = planes.dex[from] * toPixels;
            data.distanceY[to] = planes.dey[from] * toPixels;
        }
}

}  // namespace

bool RenderViewBands(const FractalDef& def, const DefinitionPicture& picture,
                     PreparedPicture& prepared, bool data,
                     const std::function<bool(const ViewBand& band)>& sink, std::string& reason) {
    try {
        PictureRequest& request = prepared.request;
        PixelData pixelData;
        if (data) {
            request.samples = SampleLevel::Distance;
            request.keepSamples = true;
            // The samples' four planes beside the pixels: bands of a quarter of the rows keep
            // the memory of a picture's band.
            request.bandRows = std::max(
                1, BandRows(request.width * request.supersample * request.supersample) / 4);
        }
        if (picture.rowProgress)
            picture.rowProgress(0);
        const auto take = [&](const PictureBand& band) {
            if (data)
                TakeData(band, request.supersample, def.Iterations, pixelData);
            return sink({band.firstRow, band.pixels, data ? &pixelData : nullptr});
        };
        return RenderPictureBands(request, picture.cancel, take, picture.rowProgress, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
}

}  // namespace zolt

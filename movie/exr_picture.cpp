#include "movie/exr_picture.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "colour/colour_space.h"
#include "document/fractal_file.h"
#include "engine/deep_view.h"

namespace zolt {

namespace {

std::vector<ExrAttribute> ViewAttributes(const FractalDef& def, int width, int height) {
    std::vector<ExrAttribute> attributes = {{kPictureTextKeyword, FractalFileText(def)}};
    if (const auto corners = ExactCorners(NumbersOf(def))) {
        attributes.push_back({"Pstart", corners->Pstart});
        attributes.push_back({"Pfinish", corners->Pfinish});
        attributes.push_back({"Qstart", corners->Qstart});
        if (const auto qfinish = DeriveQfinishText(corners->Pstart, corners->Pfinish,
                                                   corners->Qstart, width, height))
            attributes.push_back({"Qfinish", *qfinish});
    }
    return attributes;
}

}  // namespace

bool IsExrPath(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".exr";
}

bool ExrPicture::Open(const FractalDef& view, int width, int height,
                      const std::filesystem::path& path, std::string& reason) {
    if (writer_.Open(path, width, height, ViewAttributes(view, width, height)))
        return true;
    reason = writer_.Reason();
    return false;
}

bool ExrPicture::Write(const ViewBand& band, std::string& reason) {
    const std::vector<Pixel>& colours = band.pixels.pixels;
    const std::size_t values = colours.size();
    linear_.resize(values * 3);
    for (std::size_t i = 0; i < values; ++i) {
        const LinearRgb light = LinearOf(colours[i]);
        linear_[i] = light.red;
        linear_[values + i] = light.green;
        linear_[2 * values + i] = light.blue;
    }
    const PixelData& data = *band.data;
    if (writer_.WriteRows({.red = linear_.data(),
                           .green = linear_.data() + values,
                           .blue = linear_.data() + 2 * values,
                           .count = data.count.data(),
                           .fraction = data.fraction.data(),
                           .distanceX = data.distanceX.data(),
                           .distanceY = data.distanceY.data(),
                           .rows = band.pixels.height}))
        return true;
    reason = writer_.Reason();
    return false;
}

bool ExrPicture::Finish(std::string& reason) {
    if (writer_.Finish())
        return true;
    reason = writer_.Reason();
    return false;
}

PictureOutcome WriteExrPicture(const FractalDef& def, const DefinitionPicture& picture,
                               const std::filesystem::path& path) {
    PictureOutcome outcome;
    try {
        PreparedPicture prepared;
        if (!PrepareDefinitionPicture(def, picture, prepared, outcome))
            return outcome;
        ExrPicture exr;
        if (!exr.Open(def, picture.width, picture.height, path, outcome.reason))
            return outcome;
        const auto write = [&](const ViewBand& band) { return exr.Write(band, outcome.reason); };
        outcome.written = RenderViewBands(def, picture, prepared, true, write, outcome.reason) &&
                          exr.Finish(outcome.reason);
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace zolt

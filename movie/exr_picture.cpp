#include "movie/exr_picture.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "document/exr_file.h"
#include "document/fractal_file.h"
#include "engine/deep_view.h"
#include "movie/linear_light.h"

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

// Writes a band of `rows` rows of colours and data.
bool WriteBand(ExrWriter& writer, const Pixel* colours, const PixelData& data, int width, int rows,
               std::vector<float>& linear) {
    const LinearLight& light = LinearLight::Get();
    const std::size_t values = static_cast<std::size_t>(width) * rows;
    linear.resize(values * 3);
    for (std::size_t i = 0; i < values; ++i) {
        const Pixel p = colours[i];
        linear[i] = light.Decode(static_cast<std::uint8_t>(p >> 16));
        linear[values + i] = light.Decode(static_cast<std::uint8_t>(p >> 8));
        linear[2 * values + i] = light.Decode(static_cast<std::uint8_t>(p));
    }
    return writer.WriteRows({.red = linear.data(),
                             .green = linear.data() + values,
                             .blue = linear.data() + 2 * values,
                             .count = data.count.data(),
                             .fraction = data.fraction.data(),
                             .distanceX = data.distanceX.data(),
                             .distanceY = data.distanceY.data(),
                             .rows = rows});
}

}  // namespace

bool IsExrPath(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".exr";
}

bool WriteExrData(const FractalDef& view, const ImageBuffer& image, const PixelData& data,
                  const std::filesystem::path& path, std::string& reason) {
    try {
        ExrWriter writer;
        std::vector<float> linear;
        const bool written =
            writer.Open(path, image.width, image.height,
                        ViewAttributes(view, image.width, image.height)) &&
            WriteBand(writer, image.pixels.data(), data, image.width, image.height, linear) &&
            writer.Finish();
        if (!written)
            reason = writer.Reason();
        return written;
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return false;
    }
}

PictureOutcome WriteExrPicture(const FractalDef& def, const DefinitionPicture& picture,
                               const std::filesystem::path& path) {
    PictureOutcome outcome;
    try {
        ViewSampler sampler;
        const SampleRequest request{
            .width = picture.width,
            .height = picture.height,
            .displayColours = picture.displayColours,
            .data = true,
            .threads = picture.threads,
            .priority = picture.priority,
            .cancel = picture.cancel,
            .rowProgress = picture.rowProgress,
            .referenceProgress = picture.referenceProgress,
        };
        switch (sampler.Prepare(def, request, outcome.reason)) {
            case ViewSampler::Status::Ready:
                break;
            case ViewSampler::Status::Stopped:
                return outcome;
            case ViewSampler::Status::Refused:
                outcome.refused = true;
                return outcome;
        }
        outcome.kind = sampler.Chosen();
        if (picture.rowProgress)
            picture.rowProgress(0);
        ExrWriter writer;
        if (!writer.Open(path, picture.width, picture.height,
                         ViewAttributes(def, picture.width, picture.height))) {
            outcome.reason = writer.Reason();
            return outcome;
        }
        std::vector<Pixel> colours;
        std::vector<float> linear;
        PixelData data;
        // A band's data and colours take seven planes: a quarter of a picture's band each.
        const int bandRows = std::max(1, BandRows(picture.width) / 4);
        for (int first = 0; first < picture.height; first += bandRows) {
            const int rows = std::min(bandRows, picture.height - first);
            if (!sampler.Rows(first, rows, colours, &data, outcome.reason))
                return outcome;
            if (!WriteBand(writer, colours.data(), data, picture.width, rows, linear)) {
                outcome.reason = writer.Reason();
                return outcome;
            }
        }
        outcome.written = writer.Finish();
        if (!outcome.written)
            outcome.reason = writer.Reason();
    } catch (const std::bad_alloc&) {
        outcome.reason = "out of memory";
    }
    return outcome;
}

}  // namespace zolt

#include "movie/keyframe_store.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "document/fractal_file.h"
#include "document/png_file.h"
#include "document/png_pixels.h"
#include "document/text_file.h"
#include "movie/exr_picture.h"
#include "movie/view_samples.h"

namespace zolt {

namespace {

// Changes whenever the way keyframes are drawn changes, so that keyframes drawn before are not
// taken for ones drawn now.
constexpr const char* kKeyframeFormat = "Zolt keyframe 2";

std::string IndexedName(const char* stem, int keyframe, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06d.%s", stem, keyframe, extension);
    return name;
}

std::string TextOf(const std::filesystem::path& path, const char* keyword) {
    const PngTextRead read = ReadPngText(path, keyword, kMaxTextFileBytes);
    return read.status == PngTextRead::Status::kFound ? read.text : std::string();
}

}  // namespace

std::filesystem::path MovieWorkFolder(const std::filesystem::path& output) {
    std::filesystem::path folder = output;
    // "movie/" names the folder "movie" as "movie" does.
    if (!folder.has_filename())
        folder = folder.parent_path();
    folder += ".zolt-movie";
    return folder;
}

std::filesystem::path KeyframePath(const std::filesystem::path& folder, int keyframe) {
    return folder / IndexedName("keyframe", keyframe, "png");
}

std::filesystem::path KeyframeDataPath(const std::filesystem::path& folder, int keyframe) {
    return folder / IndexedName("keyframe", keyframe, "exr");
}

std::optional<KeyframeSpec> SpecifyKeyframe(const FractalDef& end, const MovieSettings& settings,
                                            int keyframe) {
    const ViewSize size{settings.width, settings.height};
    auto view = KeyframeView(end, keyframe, size);
    if (!view)
        return std::nullopt;
    KeyframeSpec spec{std::move(*view), {}, {}};
    spec.text = FractalFileText(spec.view);
    spec.stamp = std::string(kKeyframeFormat) + "\nkeyframe " + std::to_string(keyframe) +
                 "\nsize " + std::to_string(settings.width) + " " +
                 std::to_string(settings.height) + "\nsamples " +
                 std::to_string(settings.supersample) + "\ncolours " +
                 std::to_string(settings.displayColours) + "\n";
    return spec;
}

bool KeyframePresent(const std::filesystem::path& folder, int keyframe, const KeyframeSpec& spec,
                     bool data) {
    const std::filesystem::path path = KeyframePath(folder, keyframe);
    std::error_code ignored;
    if (data && !std::filesystem::is_regular_file(KeyframeDataPath(folder, keyframe), ignored))
        return false;
    return TextOf(path, kKeyframeTextKeyword) == spec.stamp &&
           TextOf(path, kPictureTextKeyword) == spec.text;
}

bool ComputeKeyframe(const std::filesystem::path& folder, int keyframe, const KeyframeSpec& spec,
                     const MovieSettings& settings, const KeyframeWork& work, ImageBuffer& image,
                     std::string& reason) {
    const DefinitionPicture picture{
        .width = settings.width,
        .height = settings.height,
        .supersample = settings.supersample,
        .displayColours = settings.displayColours,
        .threads = work.threads,
        .priority = work.priority,
        .cancel = work.cancel,
        .referenceProgress = work.referenceProgress,
        .rowProgress = work.rowProgress,
    };
    PreparedPicture prepared;
    PictureOutcome outcome;
    if (!PrepareDefinitionPicture(spec.view, picture, prepared, outcome)) {
        reason = outcome.reason;
        return false;
    }
    // Drawn in doubles, a view this deep would repeat its pixels: a frame made of it would be
    // wrong, not just coarse.
    if (outcome.kind == ViewCounter::Kind::PastLimit) {
        reason = "the view is too deep for the deep-zoom engine (or needs too many iterations)";
        return false;
    }
    image.width = settings.width;
    image.height = settings.height;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    // The OpenEXR copy is written as the bands come, and put in place before the picture: a
    // keyframe whose picture is in place counts as done.
    ExrPicture exr;
    if (work.data &&
        !exr.Open(spec.view, image.width, image.height, KeyframeDataPath(folder, keyframe), reason))
        return false;
    const auto keep = [&](const ViewBand& band) {
        std::copy(band.pixels.pixels.begin(), band.pixels.pixels.end(),
                  image.pixels.begin() + static_cast<std::ptrdiff_t>(band.firstRow) * image.width);
        return !work.data || exr.Write(band, reason);
    };
    if (!RenderViewBands(spec.view, picture, prepared, work.data, keep, reason) ||
        (work.data && !exr.Finish(reason)))
        return false;
    const PngText texts[] = {{kPictureTextKeyword, spec.text},
                             {kKeyframeTextKeyword, spec.stamp},
                             {"Software", "Zolt 1.0"}};
    // Compressed on the keyframe's threads too: the bytes do not depend on how many.
    return WritePng(image, KeyframePath(folder, keyframe), texts, &reason, work.threads);
}

bool LoadKeyframe(const std::filesystem::path& folder, int keyframe, ViewSize size,
                  ImageBuffer& image, std::string& reason) {
    if (!ReadPngPixels(KeyframePath(folder, keyframe),
                       static_cast<long long>(size.width) * size.height, image, reason))
        return false;
    if (image.width != size.width || image.height != size.height) {
        reason = "a picture of another size";
        return false;
    }
    return true;
}

}  // namespace zolt

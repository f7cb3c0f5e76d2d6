#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/fractal_def.h"
#include "engine/image_buffer.h"
#include "movie/movie_plan.h"

namespace zolt {

// The keyframes of a movie live in a work folder next to its output, as PNG pictures named by
// their index. Each carries the definition of its view (so it opens as a fractal) and a stamp of
// everything else its pixels depend on: a keyframe whose texts match what a movie needs is used
// as it is, any other is computed again. Each is written as a whole or not at all, so a movie
// stopped at any moment goes on from the keyframes it had finished.

// The work folder of the movie written to `output`: OUTPUT.zolt-movie beside it.
std::filesystem::path MovieWorkFolder(const std::filesystem::path& output);
std::filesystem::path KeyframePath(const std::filesystem::path& folder, int keyframe);
// The OpenEXR copy of a keyframe, written when the movie asks for one.
std::filesystem::path KeyframeDataPath(const std::filesystem::path& folder, int keyframe);

// The keyword of the keyframe's stamp among the PNG texts.
inline constexpr const char* kKeyframeTextKeyword = "ZoltKeyframe";

// What keyframe k of a movie of `end` is, settled once.
struct KeyframeSpec {
    FractalDef view;    // the keyframe's own definition
    std::string text;   // its fractal file
    std::string stamp;  // the keyframe's index and the settings its pixels depend on
};
std::optional<KeyframeSpec> SpecifyKeyframe(const FractalDef& end, const MovieSettings& settings,
                                            int keyframe);

// Whether the folder holds keyframe k as `spec` says (and its OpenEXR copy when `data`).
bool KeyframePresent(const std::filesystem::path& folder, int keyframe, const KeyframeSpec& spec,
                     bool data);

struct KeyframeWork {
    int threads = 1;
    int priority = 0;
    bool data = false;  // an OpenEXR copy too
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double fraction, std::uint64_t bytes)> referenceProgress = {};
    std::function<void(int rowsDone)> rowProgress = {};
};

// Computes keyframe k into the folder: the picture zolt-render makes of its view at the movie's
// size, supersampling and colours. `image` receives it. False with `reason` ("cancelled" when
// cancelled); the folder then holds no part of it.
bool ComputeKeyframe(const std::filesystem::path& folder, int keyframe, const KeyframeSpec& spec,
                     const MovieSettings& settings, const KeyframeWork& work, ImageBuffer& image,
                     std::string& reason);

// The picture of keyframe k as the folder holds it, checked against the size.
bool LoadKeyframe(const std::filesystem::path& folder, int keyframe, ViewSize size,
                  ImageBuffer& image, std::string& reason);

}  // namespace zolt

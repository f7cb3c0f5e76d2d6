#pragma once

#include <filesystem>

#include "engine/image_buffer.h"

namespace zolt {

// Writes the image as an 8-bit RGB PNG, atomically: on failure no file is left behind.
bool WritePng(const ImageBuffer& image, const std::filesystem::path& path);

}  // namespace zolt

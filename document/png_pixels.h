#pragma once

#include <filesystem>
#include <string>

#include "engine/image_buffer.h"

namespace zolt {

// Reads the pixels of a PNG picture as 8-bit RGB, whatever its own format. Pictures larger than
// `maxPixels` are refused before their pixels are read. False, with `reason`, for a file that
// cannot be read or is no PNG picture.
bool ReadPngPixels(const std::filesystem::path& path, long long maxPixels, ImageBuffer& image,
                   std::string& reason);

}  // namespace zolt

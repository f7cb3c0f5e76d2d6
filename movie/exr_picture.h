#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/fractal_def.h"
#include "generation/picture.h"
#include "movie/view_samples.h"

namespace zolt {

// Pictures as OpenEXR files (document/exr_file.h) of a definition's view: File > Export Image
// and zolt-render write one when the file name ends in ".exr", and movies beside each keyframe
// when asked. The header holds the view: the fractal file under "Zolt", and its exact corners
// under "Pstart", "Pfinish", "Qstart" and "Qfinish".

bool IsExrPath(const std::filesystem::path& path);

// The picture of `def` as WriteDefinitionPicture makes it, written in bands as OpenEXR.
PictureOutcome WriteExrPicture(const FractalDef& def, const DefinitionPicture& picture,
                               const std::filesystem::path& path);

// A whole picture already computed: its colours and data.
bool WriteExrData(const FractalDef& view, const ImageBuffer& image, const PixelData& data,
                  const std::filesystem::path& path, std::string& reason);

}  // namespace zolt

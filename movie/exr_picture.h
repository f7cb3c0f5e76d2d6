#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "document/exr_file.h"
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

// An OpenEXR picture of a view, written band by band as RenderViewBands gives them (with their
// data). A picture not finished is dropped, and the target stays as it was.
class ExrPicture {
  public:
    bool Open(const FractalDef& view, int width, int height, const std::filesystem::path& path,
              std::string& reason);
    bool Write(const ViewBand& band, std::string& reason);
    bool Finish(std::string& reason);

  private:
    ExrWriter writer_;
    std::vector<float> linear_;
};

}  // namespace zolt

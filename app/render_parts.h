#pragma once

#include <functional>
#include <string>

#include "app/render_options.h"
#include "engine/fractal_def.h"

namespace zolt {

// zolt-render's parts of a picture: one computed into a folder of parts, and the parts joined.

// The part --part names, or why it names none: "slurm" reads the task of a Slurm array job
// through `variable` (the environment).
struct PartNumbers {
    int index = 0;
    int parts = 0;
    std::string error;
};
PartNumbers ResolvePart(const PartChoice& choice,
                        const std::function<const char*(const char* name)>& variable);

// Each returns zolt-render's exit status, having said on stderr what went wrong.
int RenderPart(const RenderOptions& options, const PartNumbers& part, const FractalDef& def);
int AssembleParts(const RenderOptions& options);

}  // namespace zolt

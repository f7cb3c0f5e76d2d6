#pragma once

// The colour methods: how the samples of points (engine/point_samples.h) become pixels. Each
// method is a SampleShader made from a colouring; the table in colour_methods.cpp lists them with
// the name files and zolt-render use and the samples each one reads. Adding a method: a value
// of ColourMethod (engine/colouring.h), a SampleShader class and its row in that table.

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/colouring.h"
#include "engine/point_samples.h"

namespace zolt {

// What a colouring needs of the definition and the picture it colours.
struct ShadingContext {
    int iterations = 0;  // counts from here on never escaped: the interior
    bool monochrome = false;
    int modulation = 2;
    // The definition's palette as the display shows it (BuildLogicalPalette): the colours of the
    // classic gradient; empty in monochrome mode.
    std::vector<Pixel> palette = {};
    // Sample pixels along one pixel of the picture: distances and slopes are measured in the
    // picture's pixels, so a supersampled picture looks like the plain one, only smoother.
    double pixelScale = 1.0;
};

// The samples a colouring reads.
SampleLevel SamplesFor(const Colouring& colouring);

// The shader of a colouring (a valid one: ColouringProblem finds nothing).
std::shared_ptr<const SampleShader> MakeShader(const Colouring& colouring,
                                               const ShadingContext& context);
// The same, but none for the classic colouring: the passes' count rule colours it, pixel for
// pixel and at the speed it always did.
std::shared_ptr<const SampleShader> ShaderFor(const Colouring& colouring,
                                              const ShadingContext& context);

// The method's name in files and on zolt-render's command line ("bands", "smooth", "distance",
// "relief"), and the method of a name.
std::string_view MethodName(ColourMethod method);
std::optional<ColourMethod> MethodNamed(std::string_view name);

}  // namespace zolt

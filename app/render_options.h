#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/fractal_def.h"
#include "movie/movie_plan.h"

namespace zolt {

// --part I/N, or --part slurm[/N]: the index from the task of a Slurm array job, and the number
// of parts given or taken from the array.
struct PartChoice {
    int index = 0;
    int parts = 0;  // 0: as many as the array has tasks
    bool slurm = false;
};

// What zolt-render was asked to do.
struct RenderOptions {
    double pstart = -2.5;
    double pfinish = 1.25;
    double qstart = -1.5;
    // The three coordinates as exact decimal text, every digit given: a deep view needs them.
    DeepCoordinates exact = {"-2.5", "1.25", "-1.5"};
    int iterations = 250;
    bool iterationsGiven = false;  // --iterations given: with a file, it replaces the file's
    bool autoIterations = false;   // raise the limit by trial pictures while they are starved
    double escape = 200.0;
    bool monochrome = false;
    int modulation = 2;
    int colours = 256;
    // The colouring: what the options give replaces the file's (or the classic colouring).
    std::optional<ColourMethod> method;
    std::string gradient;  // a .map or .ggr file
    std::vector<std::pair<double Colouring::*, double>> colouringValues;
    std::optional<Rgb> interior;
    int supersample = 1;
    int width = 760;
    int height = 620;
    int initial = 8;
    int penultimate = 4;
    int threads = 0;     // 0: as ZOLT_THREADS says, else one per hardware thread
    std::string output;  // "-" for standard output
    std::string input;   // a .zlt file, or a PNG picture of Zolt's, instead of the view options
    // A zoom movie ending at the view, instead of a picture: an MP4 video or a folder of frames.
    std::string movie;
    std::string frames;
    int fps = 30;
    double secondsPerDoubling = 1.0;
    double startWidth = 3.75;  // the home view's
    double hold = 2.0;
    bool keyframeData = false;  // keep the keyframes as OpenEXR too
    // A part of the picture or movie computed into a folder of parts, or the parts in one joined.
    std::optional<PartChoice> part;
    std::string partsDir;
    std::string assemble;  // the folder whose parts --assemble joins
    bool verbose = false;
    bool quiet = false;  // no progress line on a terminal
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<RenderOptions> options;
    std::string error;  // one line for the user when options is empty
};

ParsedOptions ParseRenderOptions(const std::vector<std::string>& args);

// The movie the options ask for.
MovieSettings MovieSettingsOf(const RenderOptions& options);

const char* RenderUsage();

}  // namespace zolt

#include "app/render_options.h"

#include <gtest/gtest.h>

#include <clocale>
#include <map>
#include <string>

#include "app/render_parts.h"

namespace zolt {
namespace {

TEST(RenderOptions, DefaultsAreTheHomeView) {
    const ParsedOptions parsed = ParseRenderOptions({"-o", "out.png"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const RenderOptions& o = *parsed.options;
    EXPECT_EQ(o.pstart, -2.5);
    EXPECT_EQ(o.pfinish, 1.25);
    EXPECT_EQ(o.qstart, -1.5);
    EXPECT_EQ(o.iterations, 250);
    EXPECT_EQ(o.escape, 200.0);
    EXPECT_EQ(o.colours, 256);
    EXPECT_EQ(o.width, 760);
    EXPECT_EQ(o.height, 620);
    EXPECT_EQ(o.initial, 8);
    EXPECT_EQ(o.penultimate, 4);
    EXPECT_EQ(o.output, "out.png");
    EXPECT_FALSE(o.monochrome);
}

TEST(RenderOptions, ReadsEveryOptionWithThePointWhateverTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // a comma locale, where installed
    // clang-format off
    const ParsedOptions parsed = ParseRenderOptions(
        {"--pstart", "-0.7453", "--pfinish=-0.7433", "--qstart", "1e-1", "--iterations", "5000",
         "--escape", "4.5", "--monochrome", "--modulation", "3", "--colours", "16",
         "--width", "100", "--height", "80", "--initial", "4", "--penultimate", "2",
         "--threads", "3", "--verbose", "--output", "x.png"});
    // clang-format on
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(parsed.options) << parsed.error;
    const RenderOptions& o = *parsed.options;
    EXPECT_EQ(o.pstart, -0.7453);
    EXPECT_EQ(o.pfinish, -0.7433);
    EXPECT_EQ(o.qstart, 0.1);
    EXPECT_EQ(o.iterations, 5000);
    EXPECT_EQ(o.escape, 4.5);
    EXPECT_TRUE(o.monochrome);
    EXPECT_EQ(o.modulation, 3);
    EXPECT_EQ(o.colours, 16);
    EXPECT_EQ(o.width, 100);
    EXPECT_EQ(o.height, 80);
    EXPECT_EQ(o.initial, 4);
    EXPECT_EQ(o.threads, 3);
    EXPECT_EQ(o.penultimate, 2);
    EXPECT_TRUE(o.verbose);
    EXPECT_EQ(o.input, "");

    EXPECT_FALSE(o.autoIterations);

    // With a file, the options about the image and the passes still apply, and the iteration
    // limit replaces the file's.
    const ParsedOptions withFile = ParseRenderOptions(
        {"in.zlt", "--width", "100", "--height", "80", "--initial", "4", "--penultimate", "2",
         "--verbose", "--iterations=900", "--auto-iterations", "-o", "x.png"});
    ASSERT_TRUE(withFile.options) << withFile.error;
    EXPECT_EQ(withFile.options->input, "in.zlt");
    EXPECT_EQ(withFile.options->width, 100);
    EXPECT_EQ(withFile.options->penultimate, 2);
    EXPECT_TRUE(withFile.options->iterationsGiven);
    EXPECT_EQ(withFile.options->iterations, 900);
    EXPECT_TRUE(withFile.options->autoIterations);
}

// The colouring options go with a file too: they change its colouring, not its view.
TEST(RenderOptions, ReadsTheColouring) {
    const ParsedOptions parsed =
        ParseRenderOptions({"in.zlt",        "--colouring", "relief",      "--gradient",
                            "fire.map",      "--repeat",    "64.5",        "--offset=-0.25",
                            "--interior",    "FF0080",      "--thickness", "2",
                            "--strength",    "3",           "--angle",     "-90",
                            "--supersample", "3",           "-o",          "x.png"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const RenderOptions& o = *parsed.options;
    EXPECT_EQ(o.method, ColourMethod::Relief);
    EXPECT_EQ(o.gradient, "fire.map");
    EXPECT_EQ(o.interior, (Rgb{255, 0, 128}));
    EXPECT_EQ(o.supersample, 3);
    const std::vector<std::pair<double Colouring::*, double>> values = {{&Colouring::repeat, 64.5},
                                                                        {&Colouring::offset, -0.25},
                                                                        {&Colouring::thickness, 2},
                                                                        {&Colouring::strength, 3},
                                                                        {&Colouring::angle, -90}};
    EXPECT_EQ(o.colouringValues, values);
}

TEST(RenderOptions, CoordinatesKeepEveryDigitGiven) {
    const std::string pstart = "-0.74364388703715870475219150611477243898032936124583659188341";
    const ParsedOptions parsed = ParseRenderOptions(
        {"--pstart", " " + pstart, "--qstart=1e-400", "--pfinish", " 0.5", "-o", "x"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const RenderOptions& o = *parsed.options;
    EXPECT_EQ(o.exact, (DeepCoordinates{pstart, "0.5", "1e-400"}));
    EXPECT_EQ(o.pstart, -0.7436438870371587);
    EXPECT_EQ(o.qstart, 0.0);
    EXPECT_EQ(o.pfinish, 0.5);
}

TEST(RenderOptions, RefusesBadInputWithOneClearLine) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{}, "no output file given (-o FILE.png)"},
        {{"-o"}, "--output needs a value"},
        {{"-o", "x.png", "--width", "0"}, "invalid value for --width: '0'"},
        {{"-o", "x.png", "--width", "12x"}, "invalid value for --width: '12x'"},
        {{"-o", "x.png", "--pstart", "1,5"}, "invalid value for --pstart: '1,5'"},
        {{"-o", "x.png", "--pstart", "nan"}, "invalid value for --pstart: 'nan'"},
        {{"-o", "x.png", "--pstart", "+-1"}, "invalid value for --pstart: '+-1'"},
        {{"-o", "x.png", "--iterations", "3000000000"},
         "invalid value for --iterations: '3000000000'"},
        {{"-o", "x.png", "--colours", "-1"}, "invalid value for --colours: '-1'"},
        {{"-o", "x.png", "--threads", "0"}, "invalid value for --threads: '0'"},
        {{"-o", "x.png", "--frobnicate"}, "unknown option --frobnicate"},
        {{"-o", "x.png", "--monochrome=1"}, "--monochrome takes no value"},
        {{"-o", "x.png", "a.zlt", "b.zlt"}, "more than one input file: 'b.zlt'"},
        // A file gives the view: options that would change it are refused, not ignored.
        {{"a.zlt", "-o", "x.png", "--colours", "16", "--pstart", "0"},
         "--colours cannot be combined with a fractal file"},
        {{"--monochrome", "a.zlt", "-o", "x.png"},
         "--monochrome cannot be combined with a fractal file"},
        {{"-o", "x.png", "--colouring", "Smooth"}, "invalid value for --colouring: 'Smooth'"},
        {{"-o", "x.png", "--repeat", "0"}, "invalid value for --repeat: '0'"},
        {{"-o", "x.png", "--offset", "inf"}, "invalid value for --offset: 'inf'"},
        {{"-o", "x.png", "--thickness", "1001"}, "invalid value for --thickness: '1001'"},
        {{"-o", "x.png", "--strength", "-1"}, "invalid value for --strength: '-1'"},
        {{"-o", "x.png", "--interior", "#ff0000"}, "invalid value for --interior: '#ff0000'"},
        {{"-o", "x.png", "--supersample", "9"}, "invalid value for --supersample: '9'"},
        {{"-o", "x.png", "--gradient", ""}, "invalid value for --gradient: ''"},
        // Movies.
        {{"-o", "x.png", "--fps", "24"}, "--fps is for movies (--movie or --frames)"},
        {{"--movie", "m.mp4", "--frames", "d"}, "one output at a time: -o, --movie or --frames"},
        {{"--movie", "m.mp4", "--width", "641"}, "an MP4 video needs an even width and height"},
        {{"--movie", "m.mp4", "--fps", "0"}, "invalid value for --fps: '0'"},
        {{"--frames", "d", "--seconds-per-doubling", "0"},
         "the seconds a doubling must be 0.001 to 3600"},
        {{"--frames", "d", "--hold", "-1"}, "the hold must be 0 to 3600 seconds"},
        {{"--frames", "d", "--start-width", "-3"}, "the start width must be a positive number"},
        // Parts: I below N, a folder for them and no other output; joined, they are the view.
        {{"a.zlt", "--part", "3/3", "--parts-dir", "p"}, "invalid value for --part: '3/3'"},
        {{"a.zlt", "--part", "slurm/0", "--parts-dir", "p"}, "invalid value for --part: 'slurm/0'"},
        {{"a.zlt", "--part", "-1/3", "--parts-dir", "p"}, "invalid value for --part: '-1/3'"},
        {{"a.zlt", "--part", "1/3"}, "--part needs --parts-dir"},
        {{"a.zlt", "--parts-dir", "p", "-o", "x.png"}, "--parts-dir needs --part"},
        {{"a.zlt", "--part", "0/2", "--parts-dir", "p", "-o", "x.png"},
         "a part goes into --parts-dir, not to -o"},
        {{"--assemble", "p"}, "no output file given (-o FILE.png)"},
        {{"--assemble", "p", "a.zlt", "-o", "x.png"},
         "--assemble cannot be combined with a fractal file"},
        {{"--assemble", "p", "--height", "9", "-o", "x.png"},
         "--height cannot be combined with --assemble"},
        // A movie's parts: checked as the movie is; its parts hold its settings.
        {{"a.zlt", "--fps", "5", "--part", "0/2", "--parts-dir", "p"},
         "--fps is for movies (--movie or --frames)"},
        {{"a.zlt", "--movie", "m.mp4", "--width", "641", "--part", "0/2", "--parts-dir", "p"},
         "an MP4 video needs an even width and height"},
        {{"--assemble", "p", "--movie", "m.mp4", "--hold", "1"},
         "--hold cannot be combined with --assemble"},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = ParseRenderOptions(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(RenderOptions, AMovieInsteadOfAPicture) {
    ParsedOptions parsed = ParseRenderOptions(
        {"end.zlt", "--movie", "m.mp4", "--fps", "60", "--seconds-per-doubling", "0.5",
         "--start-width", "2", "--hold", "0", "--supersample", "3", "--exr-keyframes"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    MovieSettings settings = MovieSettingsOf(*parsed.options);
    EXPECT_EQ(parsed.options->movie, "m.mp4");
    EXPECT_TRUE(parsed.options->keyframeData);
    EXPECT_EQ(settings.width, 1280);  // a movie's own default size
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.fps, 60);
    EXPECT_EQ(settings.secondsPerDoubling, 0.5);
    EXPECT_EQ(settings.startWidth, 2.0);
    EXPECT_EQ(settings.holdSeconds, 0.0);
    EXPECT_EQ(settings.supersample, 3);
    // Frames take any size; a size given is kept.
    parsed = ParseRenderOptions({"--frames", "dir", "--width", "33"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    settings = MovieSettingsOf(*parsed.options);
    EXPECT_EQ(parsed.options->frames, "dir");
    EXPECT_EQ(settings.width, 33);
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.startWidth, 3.75);
    // A part of a movie is of the movie's size too.
    parsed = ParseRenderOptions({"end.zlt", "--frames", "d", "--part", "1/3", "--parts-dir", "p"});
    ASSERT_TRUE(parsed.options && parsed.options->part) << parsed.error;
    EXPECT_EQ(parsed.options->width, 1280);
    EXPECT_EQ(parsed.options->part->index, 1);
    EXPECT_TRUE(ParseRenderOptions({"--assemble", "p", "--movie", "m.mp4"}).options);
}

// --part slurm: the part is the array task's; the array tells how many parts there are only
// while it is all of them, 0 to N-1, and a rerun of some of them has to say.
TEST(RenderOptions, APartOfASlurmArrayJob) {
    const ParsedOptions parsed = ParseRenderOptions({"a.zlt", "--part=slurm", "--parts-dir", "p"});
    ASSERT_TRUE(parsed.options && parsed.options->part) << parsed.error;
    const PartChoice fromArray = *parsed.options->part;
    const PartChoice given{.parts = 8, .slurm = true};
    using Array = std::map<std::string, std::string>;
    const Array whole = {{"SLURM_ARRAY_TASK_ID", "2"},
                         {"SLURM_ARRAY_TASK_MIN", "0"},
                         {"SLURM_ARRAY_TASK_MAX", "7"},
                         {"SLURM_ARRAY_TASK_COUNT", "8"}};
    const Array rerun = {{"SLURM_ARRAY_TASK_ID", "7"},
                         {"SLURM_ARRAY_TASK_MIN", "3"},
                         {"SLURM_ARRAY_TASK_MAX", "7"},
                         {"SLURM_ARRAY_TASK_COUNT", "2"}};
    const struct {
        PartChoice choice;
        Array variables;
        int index;
        int parts;
        std::string error;
    } cases[] = {
        {fromArray, whole, 2, 8, ""},
        {given, whole, 2, 8, ""},
        {given, rerun, 7, 8, ""},
        {fromArray, rerun, 0, 0,
         "--part slurm: the array's tasks are not 0 to N-1, so they do not say how many parts "
         "there are: give it with --part slurm/N"},
        {{.parts = 4, .slurm = true},
         rerun,
         0,
         0,
         "--part slurm: array task 7 is not one of the 4 parts, 0 to 3"},
        {fromArray,
         {},
         0,
         0,
         "--part slurm runs as a task of a Slurm array job (sbatch --array), and "
         "SLURM_ARRAY_TASK_ID is not set"},
        {{.index = 1, .parts = 3}, {}, 1, 3, ""},
    };
    for (const auto& c : cases) {
        const PartNumbers part = ResolvePart(c.choice, [&c](const char* name) {
            const auto found = c.variables.find(name);
            return found != c.variables.end() ? found->second.c_str() : nullptr;
        });
        EXPECT_EQ(part.error, c.error);
        EXPECT_EQ(part.index, c.index);
        EXPECT_EQ(part.parts, c.parts);
    }
}

TEST(RenderOptions, HelpNeedsNoOutput) {
    const ParsedOptions parsed = ParseRenderOptions({"--help"});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->help);
}

}  // namespace
}  // namespace zolt

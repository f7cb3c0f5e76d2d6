#include "app/render_options.h"

#include <functional>
#include <map>
#include <set>

#include "colour/colour_methods.h"
#include "colour/colour_space.h"
#include "colour/gradient.h"
#include "engine/deep_view.h"
#include "generation/picture.h"
#include "movie/movie_maker.h"
#include "settings/number_text.h"

namespace zolt {

MovieSettings MovieSettingsOf(const RenderOptions& options) {
    return {.width = options.width,
            .height = options.height,
            .fps = options.fps,
            .secondsPerDoubling = options.secondsPerDoubling,
            .startWidth = options.startWidth,
            .holdSeconds = options.hold,
            .supersample = options.supersample};
}

const char* RenderUsage() {
    return "Usage: zolt-render [FILE] [OPTIONS] -o PICTURE.png\n"
           "       zolt-render [FILE] [OPTIONS] --movie VIDEO.mp4 | --frames FOLDER\n"
           "       zolt-render [FILE] [OPTIONS] [--movie ... | --frames ...] --part I/N\n"
           "                   --parts-dir PARTS\n"
           "       zolt-render --assemble PARTS -o PICTURE.png | --movie ... | --frames ...\n"
           "Renders a view of the Mandelbrot set into a PNG picture (or OpenEXR, when the\n"
           "name ends in .exr), or a zoom movie that ends at the view, on every core.\n"
           "The view comes from FILE (a .zlt fractal file, or a picture zolt-render or\n"
           "Zolt made) or from the options --pstart to --colours, never from both; the\n"
           "colouring options change the colouring either way.\n"
           "\n"
           "  --pstart X        real coordinate of the left edge (default -2.5); coordinates\n"
           "                    take up to 20000 characters, and views finer than double\n"
           "                    precision are computed with the deep-zoom engine (at most\n"
           "                    33554430 iterations, pixels down to about 1e-21000 apart)\n"
           "  --pfinish X       real coordinate of the right edge (default 1.25)\n"
           "  --qstart X        imaginary coordinate of the top row (default -1.5)\n"
           "  --iterations N    iteration limit per point (default 250); with FILE, it\n"
           "                    replaces the file's\n"
           "  --auto-iterations raise the limit while trial pictures at low resolution\n"
           "                    show many points at it, as Tools > Automatic Iterations\n"
           "                    does; never below the limit given\n"
           "  --escape X        escape bound on the squared modulus (default 200)\n"
           "  --monochrome      white bands instead of colours\n"
           "  --modulation N    band period in monochrome mode (default 2)\n"
           "  --colours N       palette entries, 0 to 65536 (default 256)\n"
           "  --colouring M     bands (the default), smooth, distance or relief\n"
           "  --gradient FILE   the colours: a Fractint map (.map) or a GIMP gradient (.ggr)\n"
           "  --repeat N        iterations one pass through the gradient spans (default\n"
           "                    256); bands take a map's colours one per iteration anyway\n"
           "  --offset X        where count 0 lies in the gradient, in passes (default 0)\n"
           "  --interior RRGGBB colour of the points that never escape (default 000000)\n"
           "  --thickness X     distance: how far from the set the ink reaches, in pixels\n"
           "                    (default 1)\n"
           "  --strength X      relief: the height of the surface, 0 to 100 (default 1)\n"
           "  --angle X         relief: where the light comes from, in degrees anticlockwise\n"
           "                    from the right (default 45)\n"
           "  --supersample N   N x N samples a pixel (of a picture or a movie), averaged in\n"
           "                    linear light, 1 to 8 (default 1)\n"
           "  --width N         picture width in pixels, 1 to 65536 (default 760)\n"
           "  --height N        picture height in pixels, 1 to 65536 (default 620)\n"
           "  --initial N       block size of the window's first pass, 1 to 4096; a picture\n"
           "                    is computed at full resolution at once, so it does not change\n"
           "                    it (default 8)\n"
           "  --penultimate N   the same for the last pass before single pixels (default 4)\n"
           "  --threads N       threads that compute the picture, 1 to 256 (default: the\n"
           "                    ZOLT_THREADS environment variable, else one per hardware\n"
           "                    thread)\n"
           "  -o, --output FILE the PNG picture to write; - writes it to standard output\n"
           "  --movie FILE      a zoom movie from --start-width down to the view, as an MP4\n"
           "                    video (H.264; needs ffmpeg, and an even width and height)\n"
           "  --frames FOLDER   the zoom movie as numbered PNG pictures, one a frame\n"
           "  --fps N           frames a second, 1 to 240 (default 30)\n"
           "  --seconds-per-doubling X\n"
           "                    seconds the movie takes to halve the width (default 1)\n"
           "  --start-width X   the width of the first frame (default 3.75, the home view's)\n"
           "  --hold X          seconds the last frame is held (default 2)\n"
           "  --exr-keyframes   keep the keyframes as OpenEXR in OUTPUT.zolt-movie too\n"
           "                    (a movie is 1280 by 720 pixels unless --width and --height\n"
           "                    say otherwise)\n"
           "  --part I/N        compute part I of N (from 0) of the picture into --parts-dir,\n"
           "                    a band of its rows (of a movie, with --movie or --frames:\n"
           "                    its keyframes I, I+N, I+2N, ...); a part done already is\n"
           "                    kept. \"slurm\" for I/N takes I from the task of a Slurm\n"
           "                    array job and N from the array (0 to N-1); \"slurm/N\"\n"
           "                    gives N\n"
           "  --parts-dir DIR   the folder of the parts, made when missing\n"
           "  --assemble DIR    join the parts in DIR into the picture -o names, or into the\n"
           "                    movie --movie or --frames names\n"
           "  --verbose         print the status texts of the rendering to stderr\n"
           "  --quiet           no progress line, even on a terminal\n"
           "  -h, --help        show this text\n"
           "  --version         show the version\n"
           "\n"
           "Exit status: 0 when the picture or movie is written, 1 when it could not be (the\n"
           "input could not be read, the view cannot be drawn, the output not written), 2\n"
           "for a mistake in the options.\n";
}

namespace {

// "I/N", "slurm" or "slurm/N".
std::optional<PartChoice> ParsePart(std::string_view text) {
    PartChoice part;
    const std::size_t slash = text.find('/');
    const std::string_view index = text.substr(0, slash);
    const auto number = [](std::string_view digits, int low, int& out) {
        return !digits.empty() && digits.front() >= '0' && digits.front() <= '9' &&
               StoreNumber(ParseInteger(digits, low, kMaxPictureSide, {.sign = false}), out);
    };
    part.slurm = index == "slurm";
    if (!part.slurm && !number(index, 0, part.index))
        return std::nullopt;
    if (slash == std::string_view::npos)
        return part.slurm ? std::optional(part) : std::nullopt;
    if (!number(text.substr(slash + 1), 1, part.parts) || (!part.slurm && part.index >= part.parts))
        return std::nullopt;
    return part;
}

}  // namespace

ParsedOptions ParseRenderOptions(const std::vector<std::string>& args) {
    RenderOptions options;
    constexpr int kMaxInt = 2147483647;
    using Setter = std::function<bool(const std::string&)>;
    const auto real = [](double& field) -> Setter {
        return [&field](const std::string& v) { return StoreNumber(ParseReal(v), field); };
    };
    const auto integer = [](int& field, int low, int high) -> Setter {
        return [&field, low, high](const std::string& v) {
            return StoreNumber(ParseInteger(v, low, high), field);
        };
    };
    // A number of the colouring, in the range the colouring allows.
    const auto colouring = [&options](double Colouring::*field) -> Setter {
        return [&options, field](const std::string& v) {
            Colouring probe;
            if (!StoreNumber(ParseReal(v), probe.*field) || !ColouringProblem(probe).empty())
                return false;
            options.colouringValues.emplace_back(field, probe.*field);
            return true;
        };
    };
    // A coordinate keeps every digit given (a deep view refuses more than it takes); the double
    // is the nearest one.
    const auto coordinate = [](double& field, std::string& text) -> Setter {
        return [&field, &text](const std::string& v) {
            const std::string_view decimal = TypedDecimalText(v);
            const bool read = decimal.empty() ? StoreNumber(ParseReal(v), field)
                                              : DecimalToDouble(decimal, field);
            if (read)
                text = ExactCoordinateText(v, field);
            return read;
        };
    };
    // A file or folder: any name but an empty one.
    const auto path = [](std::string& field) -> Setter {
        return [&field](const std::string& v) {
            field = v;
            return !v.empty();
        };
    };
    const std::map<std::string, Setter> valued = {
        {"--pstart", coordinate(options.pstart, options.exact.Pstart)},
        {"--pfinish", coordinate(options.pfinish, options.exact.Pfinish)},
        {"--qstart", coordinate(options.qstart, options.exact.Qstart)},
        {"--escape", real(options.escape)},
        {"--iterations", integer(options.iterations, 1, kMaxInt)},
        {"--modulation", integer(options.modulation, 1, kMaxInt)},
        {"--colours", integer(options.colours, 0, 65536)},
        {"--width", integer(options.width, 1, kMaxPictureSide)},
        {"--height", integer(options.height, 1, kMaxPictureSide)},
        {"--initial", integer(options.initial, 1, 4096)},
        {"--penultimate", integer(options.penultimate, 1, 4096)},
        {"--threads", integer(options.threads, 1, 256)},
        {"--supersample", integer(options.supersample, 1, kMaxSupersample)},
        {"--colouring",
         [&](const std::string& v) {
             options.method = MethodNamed(v);
             return options.method.has_value();
         }},
        {"--gradient", path(options.gradient)},
        {"--interior",
         [&](const std::string& v) {
             options.interior = ReadRgbHex(v);
             return options.interior.has_value();
         }},
        {"--repeat", colouring(&Colouring::repeat)},
        {"--offset", colouring(&Colouring::offset)},
        {"--thickness", colouring(&Colouring::thickness)},
        {"--strength", colouring(&Colouring::strength)},
        {"--angle", colouring(&Colouring::angle)},
        {"--output", path(options.output)},
        {"--movie", path(options.movie)},
        {"--frames", path(options.frames)},
        {"--fps", integer(options.fps, 1, kMaxMovieFps)},
        {"--seconds-per-doubling", real(options.secondsPerDoubling)},
        {"--start-width", real(options.startWidth)},
        {"--hold", real(options.hold)},
        {"--part", [&](const std::string& v) { return (options.part = ParsePart(v)).has_value(); }},
        {"--parts-dir", path(options.partsDir)},
        {"--assemble", path(options.assemble)},
    };

    const std::map<std::string, bool*> flags = {
        {"--monochrome", &options.monochrome},
        {"--auto-iterations", &options.autoIterations},
        {"--verbose", &options.verbose},
        {"--quiet", &options.quiet},
        {"--help", &options.help},
        {"--version", &options.version},
        {"--exr-keyframes", &options.keyframeData},
    };

    // The options that describe the view itself, which a fractal file gives instead. The
    // iteration limit is not one of them: it may replace the file's.
    const auto describesView = [](const std::string& name) {
        return name == "--pstart" || name == "--pfinish" || name == "--qstart" ||
               name == "--escape" || name == "--monochrome" || name == "--modulation" ||
               name == "--colours";
    };
    std::string viewOption;
    std::string movieOption;  // an option that only a movie takes
    bool widthGiven = false;
    bool heightGiven = false;
    // What the parts to join have settled already besides the view: the size, the iteration
    // limit, the colouring.
    const auto shapesPicture = [&describesView](const std::string& name) {
        static const std::set<std::string> shaping = {
            "--width",     "--height",   "--iterations", "--auto-iterations", "--supersample",
            "--colouring", "--gradient", "--interior",   "--repeat",          "--offset",
            "--thickness", "--strength", "--angle"};
        return describesView(name) || shaping.contains(name);
    };
    std::string pictureOption;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        if (name == "-o")
            name = "--output";
        if (name == "-h")
            name = "--help";
        if (viewOption.empty() && describesView(name))
            viewOption = name;
        options.iterationsGiven = options.iterationsGiven || name == "--iterations";
        if (movieOption.empty() &&
            (name == "--fps" || name == "--seconds-per-doubling" || name == "--start-width" ||
             name == "--hold" || name == "--exr-keyframes"))
            movieOption = name;
        widthGiven = widthGiven || name == "--width";
        heightGiven = heightGiven || name == "--height";
        if (pictureOption.empty() && shapesPicture(name))
            pictureOption = name;
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (value)
                return {std::nullopt, name + " takes no value"};
            *flag->second = true;
            continue;
        }
        if (const auto setter = valued.find(name); setter != valued.end()) {
            if (!value) {
                if (i + 1 >= args.size())
                    return {std::nullopt, name + " needs a value"};
                value = args[++i];
            }
            if (!setter->second(*value))
                return {std::nullopt, "invalid value for " + name + ": '" + *value + "'"};
            continue;
        }
        if (name.starts_with("-") && name != "-")
            return {std::nullopt, "unknown option " + name};
        if (!options.input.empty())
            return {std::nullopt, "more than one input file: '" + name + "'"};
        options.input = name;
    }
    if (!options.input.empty() && !viewOption.empty())
        return {std::nullopt, viewOption + " cannot be combined with a fractal file"};
    if (options.help || options.version)
        return {options, {}};
    if (options.part.has_value() != !options.partsDir.empty())
        return {std::nullopt,
                options.part ? "--part needs --parts-dir" : "--parts-dir needs --part"};
    if (options.part && !options.output.empty())
        return {std::nullopt, "a part goes into --parts-dir, not to -o"};
    if (!options.assemble.empty()) {
        if (options.part)
            return {std::nullopt, "--assemble cannot be combined with --part"};
        // The parts hold the view and the picture's size.
        if (!options.input.empty())
            return {std::nullopt, "--assemble cannot be combined with a fractal file"};
        if (!pictureOption.empty())
            return {std::nullopt, pictureOption + " cannot be combined with --assemble"};
    }
    const int outputs = !options.output.empty() + !options.movie.empty() + !options.frames.empty();
    // A picture's part names no output; a movie's names the movie, which the parts join into.
    if (outputs == 0 && !options.part)
        return {std::nullopt, "no output file given (-o FILE.png)"};
    if (outputs > 1)
        return {std::nullopt, "one output at a time: -o, --movie or --frames"};
    // The parts hold the movie's settings too.
    if (!options.assemble.empty() && !movieOption.empty())
        return {std::nullopt, movieOption + " cannot be combined with --assemble"};
    if (options.movie.empty() && options.frames.empty() && !movieOption.empty())
        return {std::nullopt, movieOption + " is for movies (--movie or --frames)"};
    if (!options.output.empty() || !options.assemble.empty() || outputs == 0)
        return {options, {}};
    if (!widthGiven)
        options.width = 1280;
    if (!heightGiven)
        options.height = 720;
    std::string why;
    const MovieSettings settings = MovieSettingsOf(options);
    if (!CheckMovieSettings(settings, why))
        return {std::nullopt, why};
    if (std::string why = OutputSizeRefusal(
            options.movie.empty() ? MovieOutput::Kind::Frames : MovieOutput::Kind::Video,
            options.width, options.height);
        !why.empty())
        return {std::nullopt, std::move(why)};
    return {options, {}};
}

}  // namespace zolt

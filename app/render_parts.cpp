#include "app/render_parts.h"

#include <iostream>
#include <optional>

#include "app/render_movie.h"
#include "cluster/movie_parts.h"
#include "cluster/picture_parts.h"
#include "generation/worker_threads.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

int Say(int status, const std::string& message) {
    std::cerr << "zolt-render: " << message << '\n';
    return status;
}

std::string PartName(const PartNumbers& part) {
    return "part " + std::to_string(part.index) + " of " + std::to_string(part.parts);
}

int Threads(const RenderOptions& options) {
    return options.threads > 0 ? options.threads : WorkerThreadCount();
}

bool IsMovie(const RenderOptions& options) {
    return !options.movie.empty() || !options.frames.empty();
}

// What zolt-render says of a part it was asked for, and its exit status; `what` says what the
// part holds ("rows 0 to 9").
int SayOfPart(const RenderOptions& options, const PartNumbers& part, PartOutcome::Result result,
              const std::string& what, const std::string& reason) {
    const std::string folder = "'" + options.partsDir + "'";
    using Result = PartOutcome::Result;
    switch (result) {
        case Result::kDone:
            if (!options.quiet)
                Say(0, PartName(part) + " is in " + folder + " already");
            return 0;
        case Result::kComputed:
            if (!options.quiet)
                Say(0, PartName(part) + " (" + what + ") computed into " + folder);
            return 0;
        case Result::kRefused:
            return Say(1, "cannot render the view: " + reason);
        case Result::kTooManyParts:
            return Say(2, "too many parts: " + reason);
        case Result::kFailed:
            break;
    }
    return Say(1, "cannot write " + PartName(part) + " into " + folder + ": " + reason);
}

int RenderMoviePart(const RenderOptions& options, const PartNumbers& part, const FractalDef& def) {
    MovieLine line(options);
    const MoviePartOutcome outcome = ComputeMoviePart(
        {def, MovieSettingsOf(options), options.keyframeData}, part.index, part.parts,
        options.partsDir, {.threads = Threads(options), .observer = &line});
    line.Done();
    return SayOfPart(options, part, outcome.result, "keyframes " + ListKeyframes(outcome.keyframes),
                     outcome.reason);
}

}  // namespace

PartNumbers ResolvePart(const PartChoice& choice,
                        const std::function<const char*(const char* name)>& variable) {
    if (!choice.slurm)
        return {choice.index, choice.parts, {}};
    const auto number = [&variable](const char* name) -> std::optional<long long> {
        const char* text = variable(name);
        return text != nullptr ? ParseInteger(text, 0, 1LL << 31, {.sign = false}) : std::nullopt;
    };
    const auto task = number("SLURM_ARRAY_TASK_ID");
    if (!task)
        return {0, 0,
                "--part slurm runs as a task of a Slurm array job (sbatch --array), "
                "and SLURM_ARRAY_TASK_ID is not set"};
    long long parts = choice.parts;
    if (parts == 0) {
        // The array's count is the number of parts only while the array is all of them: a rerun
        // of some (--array=3,7) has fewer tasks, and its indices still count among all parts.
        const auto count = number("SLURM_ARRAY_TASK_COUNT");
        const auto low = number("SLURM_ARRAY_TASK_MIN");
        const auto high = number("SLURM_ARRAY_TASK_MAX");
        if (!count || !low || !high || *low != 0 || *high != *count - 1)
            return {0, 0,
                    "--part slurm: the array's tasks are not 0 to N-1, so they do not say "
                    "how many parts there are: give it with --part slurm/N"};
        parts = *count;
    }
    if (*task >= parts)
        return {0, 0,
                "--part slurm: array task " + std::to_string(*task) + " is not one of the " +
                    std::to_string(parts) + " parts, 0 to " + std::to_string(parts - 1)};
    if (parts > kMaxPictureSide)
        return {0, 0, "--part slurm: more than " + std::to_string(kMaxPictureSide) + " parts"};
    return {static_cast<int>(*task), static_cast<int>(parts), {}};
}

int RenderPart(const RenderOptions& options, const PartNumbers& part, const FractalDef& def) {
    if (IsMovie(options))
        return RenderMoviePart(options, part, def);
    const DefinitionPicture picture{
        .width = options.width,
        .height = options.height,
        .supersample = options.supersample,
        .threads = Threads(options),
    };
    const PartOutcome outcome =
        ComputePicturePart(def, picture, part.index, part.parts, options.partsDir);
    if (outcome.result == PartOutcome::Result::kComputed &&
        outcome.kind == ViewCounter::Kind::PastLimit)
        Say(0,
            "warning: the view is too small even for the deep-zoom engine; "
            "neighbouring pixels may repeat each other");
    return SayOfPart(options, part, outcome.result,
                     "rows " + std::to_string(outcome.rows.first) + " to " +
                         std::to_string(outcome.rows.first + outcome.rows.rows - 1),
                     outcome.reason);
}

int AssembleParts(const RenderOptions& options) {
    const bool toStdout = options.output == "-";
    AssemblyOutcome outcome;
    std::string output = options.output;
    if (IsMovie(options)) {
        const MovieOutput movie = MovieOutputOf(options);
        output = movie.path.string();
        MovieLine line(options);
        outcome = AssembleMovieParts(options.assemble, movie,
                                     {.threads = Threads(options), .observer = &line});
        line.Done();
    } else {
        outcome = AssemblePicture(options.assemble, toStdout ? "/dev/stdout" : options.output,
                                  AtomicFile::Fifo::kWaitForReader);
    }
    if (outcome.written)
        return 0;
    if (outcome.ofParts)
        return Say(1, "cannot assemble '" + options.assemble + "': " + outcome.reason);
    return Say(1, "cannot write '" + output + "': " + outcome.reason);
}

}  // namespace zolt

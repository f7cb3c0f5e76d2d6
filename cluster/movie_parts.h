#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cluster/picture_parts.h"
#include "movie/movie_maker.h"

namespace zolt {

// A zoom movie computed in parts: part I of N computes the keyframes I, I + N, I + 2N, ... into
// a folder of parts shared by all of them (the keyframe store's files, each written whole or not
// at all), then a part file saying that it is done and what movie it is of: the definition of
// the movie's end with its colouring and every setting of the movie. Joining reads the movie
// from the part files and draws its frames from the keyframes, so that it needs nothing but the
// folder, and the movie is the one a single process makes.

// What a movie is made of, all that its parts must agree on.
struct MovieJob {
    FractalDef end;
    MovieSettings settings;
    bool keyframeData = false;  // an OpenEXR copy of every keyframe too
};

// The keyframes of part `index` of `parts` of a movie of `keyframes` keyframes.
std::vector<int> MoviePartKeyframes(int keyframes, int index, int parts);

struct MoviePartOutcome {
    PartOutcome::Result result = PartOutcome::Result::kFailed;
    std::vector<int> keyframes;  // the part's
    int computed = 0;            // of them, those this run computed
    std::string reason;
};

// Computes part `index` of `parts` of the movie into `folder`, made when missing: the keyframes
// of the part the folder lacks, then its part file.
MoviePartOutcome ComputeMoviePart(const MovieJob& job, int index, int parts,
                                  const std::filesystem::path& folder, const MovieWork& work);

// Joins the parts in `folder` into the movie `output` names (its work folder is ignored). Every
// part of one movie and split must be there with its keyframes: otherwise nothing is written and
// the reason names the parts at fault by their index.
AssemblyOutcome AssembleMovieParts(const std::filesystem::path& folder, const MovieOutput& output,
                                   const MovieWork& work);

}  // namespace zolt

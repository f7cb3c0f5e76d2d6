#pragma once

#include <optional>

#include "engine/fractal_def.h"
#include "movie/movie_maker.h"

class QWidget;

namespace zolt {

// What File > Export Zoom Movie asks for.
struct MovieChoice {
    MovieSettings settings;
    MovieOutput output;
};

// File > Export Zoom Movie's questions, about a movie whose last frame is `end`: the size (the
// common video sizes or any other), the frame rate, the zoom speed, the start's width, the hold
// on the last frame, anti-aliasing and where the movie goes, as an MP4 video or numbered PNG
// frames. It shows the movie's length and frame count as the answers change. `initial` holds
// the answers to begin with. An MP4 video without ffmpeg is refused with an offer of PNG frames.
// None when the user cancels.
std::optional<MovieChoice> AskMovie(QWidget* parent, const FractalDef& end,
                                    const MovieChoice& initial);

}  // namespace zolt

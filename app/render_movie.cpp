#include "app/render_movie.h"

#include "generation/worker_threads.h"

namespace zolt {

MovieOutput MovieOutputOf(const RenderOptions& options) {
    const bool video = !options.movie.empty();
    return {video ? MovieOutput::Kind::Video : MovieOutput::Kind::Frames,
            video ? options.movie : options.frames, options.keyframeData};
}

int RenderMovie(const RenderOptions& options, const FractalDef& def) {
    const MovieSettings settings = MovieSettingsOf(options);
    const MovieOutput output = MovieOutputOf(options);
    MovieLine line(options);
    const MovieWork work{
        .threads = options.threads > 0 ? options.threads : WorkerThreadCount(),
        .observer = &line,
    };
    const MovieOutcome outcome = MakeMovie(def, settings, output, work);
    line.Done();
    if (!outcome.written) {
        std::cerr << "zolt-render: cannot make '" << output.path.string() << "': " << outcome.reason
                  << '\n';
        return 1;
    }
    return 0;
}

}  // namespace zolt

// zolt-render making a movie, killed at random moments and started again, ends with the movie an
// uninterrupted run makes, byte for byte, and never computes a keyframe twice.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "movie/ffmpeg_video.h"
#include "movie/keyframe_store.h"
#include "support/temp_dir.h"

extern char** environ;

namespace zolt {
namespace {

using Clock = std::chrono::steady_clock;

// Runs zolt-render with `args`, its messages appended to `log`; kills it after `killAfter`
// unless it ended first. The exit status, or -1 when it was killed.
int Render(std::vector<std::string> args, const std::filesystem::path& log,
           Clock::duration killAfter = Clock::duration::max()) {
    args.insert(args.begin(), ZOLT_RENDER_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -2;
    const auto start = Clock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() - start >= killAfter) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// How often each keyframe was computed, by the log's "keyframe K computed" lines.
std::map<int, int> Computed(const std::filesystem::path& log) {
    std::map<int, int> computed;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        int k = -1;
        char tail[16] = {};
        if (std::sscanf(line.c_str(), "keyframe %d %15s", &k, tail) == 2 &&
            std::string(tail) == "computed")
            ++computed[k];
    }
    return computed;
}

TEST(MovieResume, AMovieKilledThreeTimesEndsAsOneNeverInterrupted) {
    if (!FindFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::TempDir dir;
    const std::vector<std::string> movie = {"--pstart",     "-0.743643887037",
                                            "--pfinish",    "-0.743643887036",
                                            "--qstart",     "0.131825904205",
                                            "--iterations", "4000",
                                            "--width",      "96",
                                            "--height",     "54",
                                            "--fps",        "4",
                                            "--hold",       "0.5",
                                            "--threads",    "2",
                                            "--verbose"};
    const auto with = [&movie](const std::filesystem::path& out) {
        std::vector<std::string> args = movie;
        args.insert(args.end(), {"--movie", out.string()});
        return args;
    };

    const auto start = Clock::now();
    ASSERT_EQ(Render(with(dir.Path() / "whole.mp4"), dir.Path() / "whole.log"), 0);
    const auto whole = Clock::now() - start;
    const std::map<int, int> all = Computed(dir.Path() / "whole.log");
    ASSERT_EQ(all.size(), 43u);  // 41.8 doublings

    const auto seed = std::random_device{}();
    std::mt19937 random(seed);
    // Each run is killed within the first 30 % of the whole's time, so three kills stop three
    // runs on the way; one that finished before its kill (a busy machine's timing) ends it.
    std::uniform_real_distribution<double> moment(0.02, 0.3);
    const auto log = dir.Path() / "resumed.log";
    int status = -1;
    for (int kill = 0; kill < 3 && status != 0; ++kill) {
        const auto after = std::chrono::duration_cast<Clock::duration>(whole * moment(random));
        status = Render(with(dir.Path() / "resumed.mp4"), log, after);
        ASSERT_TRUE(status == -1 || status == 0) << "seed " << seed;
    }
    if (status != 0) {
        ASSERT_EQ(Render(with(dir.Path() / "resumed.mp4"), log), 0) << "seed " << seed;
    }

    EXPECT_EQ(test::ReadBytes(dir.Path() / "resumed.mp4"),
              test::ReadBytes(dir.Path() / "whole.mp4"))
        << "seed " << seed;
    // No keyframe computed twice over all the runs. A keyframe is told of once it is stored, so
    // a kill between the two leaves one stored and untold: at most one for each kill.
    const std::map<int, int> computed = Computed(log);
    EXPECT_GE(computed.size() + 3, all.size()) << "seed " << seed;
    for (const auto& [k, times] : computed)
        EXPECT_EQ(times, 1) << "keyframe " << k << ", seed " << seed;
    EXPECT_EQ(test::Tree(dir.Path()),
              (std::vector<std::string>{"resumed.log", "resumed.mp4", "whole.log", "whole.mp4"}));
}

}  // namespace
}  // namespace zolt

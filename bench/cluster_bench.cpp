// What computing a picture in parts costs: zolt-render making the picture in one process on two
// threads, against its two parts made at once by two processes of one thread each (as two tasks
// of an array job on one core each); and the joining of parts, with its peak resident memory.
// "x_one_process" is the ratio of the parts' time to the one process's, within the run.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

struct View {
    const char* name;
    std::vector<std::string> args;  // the view and the picture's size
};

// The home view, quick to count and large to write, and a strip right of the cusp at 0.25,
// where orbits run long. The halves of each cost about the same; where they do not, the slower
// half decides, and a split into many parts evens that out.
const View kViews[] = {
    {"home", {"--iterations", "5000", "--width", "6000", "--height", "4800"}},
    {"cusp",
     {"--pstart", "0.2502", "--pfinish", "0.2508", "--qstart", "-0.000225", "--iterations", "20000",
      "--width", "2000", "--height", "1500"}},
};

// Starts zolt-render with `args`.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>("zolt-render")};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv(ZOLT_RENDER_PATH, argv.data());
        ::_exit(127);
    }
    return child;
}

// Waits for the children; false unless each succeeded. `peakKiB` gets the largest peak resident
// memory among them.
bool Wait(const std::vector<pid_t>& children, long* peakKiB = nullptr) {
    bool ok = true;
    for (const pid_t child : children) {
        int status = 0;
        rusage usage{};
        ok = ::wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
        if (peakKiB != nullptr)
            *peakKiB = std::max(*peakKiB, usage.ru_maxrss);
    }
    return ok;
}

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::map<std::string, double>& Seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

std::filesystem::path Scratch() {
    char path[] = "/tmp/zolt-bench-XXXXXX";
    return ::mkdtemp(path);
}

void OneProcess(benchmark::State& state, const View& view) {
    const auto dir = Scratch();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!Wait({Start(With(view.args, {"--threads", "2", "-o", dir / "one.png"}))}))
            state.SkipWithError("the picture was not written");
    }
    Seconds()[view.name] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(state.iterations());
    std::filesystem::remove_all(dir);
}

void TwoParts(benchmark::State& state, const View& view) {
    const auto dir = Scratch();
    double seconds = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(dir / "parts");
        const auto start = std::chrono::steady_clock::now();
        std::vector<pid_t> parts;
        for (const char* part : {"0/2", "1/2"})
            parts.push_back(Start(With(view.args, {"--threads", "1", "--quiet", "--part", part,
                                                   "--parts-dir", dir / "parts"})));
        if (!Wait(parts))
            state.SkipWithError("a part was not written");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    seconds /= static_cast<double>(state.iterations());
    if (const auto one = Seconds().find(view.name); one != Seconds().end())
        state.counters["x_one_process"] = seconds / one->second;
    std::filesystem::remove_all(dir);
}

// Joining the parts of a picture `side` pixels square, of noise that hardly compresses (every
// chunk as large as it gets), with the joining's peak resident memory in MiB.
void Assemble(benchmark::State& state, int side) {
    const auto dir = Scratch();
    const std::string size = std::to_string(side);
    // A spiral far finer than its pixels: neighbouring pixels have unrelated colours.
    const std::vector<std::string> view = {
        "--pstart", "-0.7437",  "--pfinish", "-0.7435",     "--qstart",    "0.13175", "--width",
        size,       "--height", size,        "--parts-dir", dir / "parts", "--quiet"};
    for (const char* part : {"0/4", "1/4", "2/4", "3/4"})
        if (!Wait({Start(With(view, {"--part", part}))}))
            state.SkipWithError("a part was not written");
    long peak = 0;
    for (auto _ : state) {
        if (!Wait({Start({"--assemble", dir / "parts", "-o", dir / "joined.png"})}, &peak))
            state.SkipWithError("the parts were not joined");
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
    state.counters["picture_MiB"] =
        static_cast<double>(std::filesystem::file_size(dir / "joined.png")) / (1 << 20);
    std::filesystem::remove_all(dir);
}

const bool kRegistered = [] {
    for (const View& view : kViews) {
        benchmark::RegisterBenchmark((std::string("BM_OneProcess/") + view.name).c_str(),
                                     OneProcess, view)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(3);
        benchmark::RegisterBenchmark((std::string("BM_TwoParts/") + view.name).c_str(), TwoParts,
                                     view)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(3);
    }
    for (const int side : {4096, 16384})
        benchmark::RegisterBenchmark(("BM_Assemble/" + std::to_string(side)).c_str(), Assemble,
                                     side)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();

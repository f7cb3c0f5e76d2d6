// libFuzzer target: any bytes as a fractal file. A load either fails and leaves the current
// definition as it was, or succeeds with a palette of Colours entries.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "document/navigation_history.h"
#include "surface/headless_surface.h"

namespace {

// The input lives in memory: a file on disk would make every run wait for the disk.
int InputFile() {
    static const int fd = ::memfd_create("zolt-fuzz.zlt", 0);
    if (fd < 0)
        std::abort();
    return fd;
}

const std::string& InputPath() {
    static const std::string path = "/proc/self/fd/" + std::to_string(InputFile());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zolt;
    if (::ftruncate(InputFile(), 0) != 0 ||
        ::pwrite(InputFile(), data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    HeadlessSurface ui({64, 48}, 16);
    NavigationHistory history(ui);
    CurrentFractal current(ui, history);
    FractalFile file(current, ui, "/tmp");
    current.EnsureInitialized();
    const FractalDef before = current.Definition();

    if (file.RunPass(PassMode::Read, PathText(InputPath()))) {
        const Appearance& appearance = current.Definition().Appearance;
        if (appearance.Palette.Count() != appearance.Colours)
            std::abort();
        if (current.Definition().Untitled)
            std::abort();
    } else if (!(current.Definition().Name == before.Name) ||
               !(NumbersOf(current.Definition()) == NumbersOf(before))) {
        std::abort();
    }
    return 0;
}

// libFuzzer target: any bytes as a fractal file. A load either fails and leaves the current
// definition as it was, or succeeds with a palette of Colours entries.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "document/navigation_history.h"
#include "shell/headless_surface.h"

namespace {

const std::string& InputPath() {
    static const std::string path = [] {
        std::string name = "/tmp/zolt-fuzz-XXXXXX.zlt";
        const int fd = ::mkstemps(name.data(), 4);
        if (fd < 0)
            std::abort();
        ::close(fd);
        return name;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zolt;
    std::FILE* out = std::fopen(InputPath().c_str(), "wb");
    if (out == nullptr)
        std::abort();
    if (size != 0 && std::fwrite(data, 1, size, out) != size)
        std::abort();
    std::fclose(out);

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

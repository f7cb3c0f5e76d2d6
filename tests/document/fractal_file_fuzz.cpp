// libFuzzer target: any bytes as a fractal file. A read either refuses the bytes or gives a
// definition whose palette has Colours entries and whose numbers can be written back.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/fractal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zolt;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const FractalRead read = ReadFractalLines(SplitTextLines(bytes), {64, 48}, 16);
    if (!read.content)
        return 0;
    const Appearance& appearance = read.content->appearance;
    if (appearance.Palette.Count() != appearance.Colours)
        std::abort();
    FractalDef def;
    SetNumbersOf(def, read.content->numbers);
    if (!CopyAppearance(appearance, def.Appearance) || !FractalFileLines(def))
        std::abort();
    return 0;
}

// libFuzzer target: any bytes as a fractal file. A read either refuses the bytes or gives a
// definition whose palette has Colours entries, whose numbers can be written back, and whose
// colouring reads back as it was.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
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
    const auto lines =
        CopyAppearance(appearance, def.Appearance) ? FractalFileLines(def) : std::nullopt;
    if (!lines)
        std::abort();
    // A colouring read is written back as it was read.
    const auto text = JoinTextLines(*lines);
    const FractalRead again =
        ReadFractalLines(SplitTextLines(text.value_or(std::string())), {64, 48}, 16);
    if (!again.content || !(again.content->appearance.Colouring == appearance.Colouring))
        std::abort();
    return 0;
}

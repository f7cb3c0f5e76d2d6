#include "document/file_blocks.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/deep_view.h"
#include "settings/number_text.h"

namespace zolt {

namespace {

// The exact corners of a deep view, when they belong to the view of the number lines: the check
// line is line 2 again, then each corner's label and its digits. A block whose check line is
// not line 2 (the number lines were edited by hand), or whose corners are not the doubles of
// lines 2 to 4, leaves the view to those doubles; a block that belongs to the number lines but
// is damaged (a label missing, digits that are not a number, a line too long, cut short)
// refuses the file, with no words of its own: the line says it.
std::optional<BlockDamage> ReadDeepBlock(std::span<const TextLine> lines, BlockContext& context) {
    GenerationSnapshot& numbers = context.content.numbers;
    // Lines counted from 1 after the header; one past the last when the block is cut short.
    const auto damaged = [](std::size_t at) { return BlockDamage{static_cast<long long>(at) + 1}; };
    if (lines.empty() || lines[0].cut)
        return damaged(0);
    if (lines[0].text != context.line2)
        return std::nullopt;
    DeepCoordinates deep;
    std::size_t at = 1;
    for (const DeepCornerLine& corner : kDeepCornerLines) {
        if (at >= lines.size() || lines[at].text != corner.label)
            return damaged(at);
        const std::size_t label = at;
        std::string& digits = deep.*corner.text;
        for (++at; at < lines.size() && lines[at].text.find_first_of("PQ") == std::string::npos;
             ++at) {
            // Longer than any corner can be, or a line that arrived in pieces.
            if (lines[at].cut || digits.size() + lines[at].text.size() > kMaxDecimalText)
                return damaged(at);
            digits += lines[at].text;
        }
        if (!IsDecimalText(digits))
            return damaged(label + 1);
    }
    double p0 = 0, p1 = 0, q0 = 0;
    if (!DecimalToDouble(deep.Pstart, p0) || !DecimalToDouble(deep.Pfinish, p1) ||
        !DecimalToDouble(deep.Qstart, q0) || p0 != numbers.Pstart || p1 != numbers.Pfinish ||
        q0 != numbers.Qstart)
        return std::nullopt;
    numbers.Deep = std::move(deep);
    numbers.Qfinish = DeriveQfinish(numbers, context.view);
    return std::nullopt;
}

// A deep view's exact corners: the block's name, line 2 again, then each corner's label and its
// digits, in lines that read back whole.
void AppendDeepBlock(const FractalDef& def, std::vector<std::string>& lines) {
    if (def.Deep.empty())
        return;
    std::string check = lines[1];
    lines.emplace_back(kDeepBlockName);
    lines.push_back(std::move(check));
    for (const DeepCornerLine& corner : kDeepCornerLines) {
        const std::string& text = def.Deep.*corner.text;
        lines.emplace_back(corner.label);
        for (std::size_t at = 0; at < text.size(); at += kLongestReadBackLine)
            lines.push_back(text.substr(at, kLongestReadBackLine));
    }
}

constexpr std::array<BlockKind, 2> kKinds{{
    {kDeepBlockName, &ReadDeepBlock, &AppendDeepBlock},
    {"ZoltPaint:1", &ReadPaintBlock, &AppendPaintBlock},
}};

// Readers of the deep block that came before the others stop its digits at a P or a Q.
constexpr bool LaterHeadersStopTheDeepDigits() {
    for (std::size_t k = 1; k < kKinds.size(); ++k) {
        if (kKinds[k].header.find_first_of("PQ") == std::string_view::npos)
            return false;
    }
    return kKinds[0].header == kDeepBlockName;
}
static_assert(LaterHeadersStopTheDeepDigits());

}  // namespace

std::optional<BlockHeader> ParseBlockHeader(std::string_view line) {
    constexpr std::string_view kPrefix = "Zolt";
    if (!line.starts_with(kPrefix))
        return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == kPrefix.size() || colon + 1 == line.size())
        return std::nullopt;
    const std::string_view name = line.substr(kPrefix.size(), colon - kPrefix.size());
    const std::string_view digits = line.substr(colon + 1);
    const auto isAlpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (!std::all_of(name.begin(), name.end(), isAlpha) ||
        !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    // A version too long for an int is not one any reader knows.
    const std::optional<long long> version = ParseInteger(digits, 0, 1000000, {.sign = false});
    return BlockHeader{std::string(name), version ? static_cast<int>(*version) : -1};
}

std::span<const BlockKind> BlockKinds() {
    return kKinds;
}

std::optional<BlockDamage> ReadFileBlocks(std::span<const TextLine> rest, long long firstLine,
                                          BlockContext& context) {
    // Blocks follow the palette's final empty line; a file without it has none.
    if (rest.empty() || !rest[0].text.empty())
        return std::nullopt;
    const auto isHeader = [](const TextLine& line) {
        return !line.cut && ParseBlockHeader(line.text).has_value();
    };
    std::size_t at = 1;
    while (at < rest.size() && !isHeader(rest[at]))
        ++at;
    while (at < rest.size()) {
        std::size_t end = at + 1;
        while (end < rest.size() && !isHeader(rest[end]))
            ++end;
        const std::string_view header = rest[at].text;
        for (const BlockKind& kind : kKinds) {
            if (kind.header != header)
                continue;
            if (auto damage = kind.read(rest.subspan(at + 1, end - at - 1), context)) {
                damage->line += firstLine + static_cast<long long>(at);
                if (!damage->message.empty())
                    damage->message += " (line " + std::to_string(damage->line) + ").";
                return damage;
            }
        }
        at = end;
    }
    return std::nullopt;
}

void AppendFileBlocks(const FractalDef& def, std::vector<std::string>& lines) {
    for (const BlockKind& kind : kKinds)
        kind.write(def, lines);
}

}  // namespace zolt

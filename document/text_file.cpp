#include "document/text_file.h"

#include "settings/safe_file.h"

namespace zolt {

std::vector<TextLine> SplitTextLines(std::string_view bytes) {
    std::vector<TextLine> lines;
    while (!bytes.empty()) {
        // A piece ends after its LF, or after kReadPiece bytes when the line is longer.
        const std::size_t newline = bytes.substr(0, kReadPiece).find('\n');
        const std::size_t taken =
            newline == std::string_view::npos ? std::min(bytes.size(), kReadPiece) : newline + 1;
        std::string_view piece = bytes.substr(0, taken);
        bytes.remove_prefix(taken);
        const bool ended = !piece.empty() && piece.back() == '\n';
        if (ended)
            piece.remove_suffix(1);
        if (!piece.empty() && piece.back() == '\r')
            piece.remove_suffix(1);
        lines.push_back({std::string(piece), !ended && !bytes.empty()});
    }
    return lines;
}

std::optional<std::vector<TextLine>> ReadTextFile(const std::string& path, std::string* reason) {
    // A NUL would silently cut the name the system sees.
    if (path.empty() || path.find('\0') != std::string::npos) {
        if (reason != nullptr)
            *reason = "not a file name";
        return std::nullopt;
    }
    std::string bytes;
    if (ReadRegularFile(path, kMaxTextFileBytes, bytes, reason) != FileRead::kOk)
        return std::nullopt;
    return SplitTextLines(bytes);
}

bool WriteTextFile(const std::string& path, std::span<const std::string> lines) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    const auto bytes = JoinTextLines(lines);
    return bytes && WriteFileAtomically(path, *bytes);
}

std::optional<std::string> JoinTextLines(std::span<const std::string> lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        // Cutting a line would change what the file says.
        if (line.size() > kMaxWrittenLine)
            return std::nullopt;
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace zolt

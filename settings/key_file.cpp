#include "settings/key_file.h"

#include "settings/number_text.h"

namespace zolt {

namespace {

constexpr std::string_view kHeader =
    "# Settings: one Name=value per line. In names and values \\\\ is a backslash, \\n a line\n"
    "# feed, \\r a carriage return, \\t a tab and \\xHH any byte. Other lines are ignored.\n";

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool NeedsHex(unsigned char c, std::size_t at, std::size_t size, bool isName) {
    if (c < 0x20 || c == 0x7F)
        return true;
    if (c == ' ')
        return at == 0 || at + 1 == size;
    return isName && (c == '=' || (c == '#' && at == 0));
}

}  // namespace

const std::string* KeyFile::Find(std::string_view name) const {
    for (const auto& [entryName, value] : entries) {
        if (entryName == name)
            return &value;
    }
    return nullptr;
}

void KeyFile::Set(std::string_view name, std::string_view value) {
    for (auto& [entryName, entryValue] : entries) {
        if (entryName == name) {
            entryValue = value;
            return;
        }
    }
    entries.emplace_back(name, value);
}

std::string EscapeKeyText(std::string_view text, bool isName) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (NeedsHex(c, i, text.size(), isName)) {
                    out += "\\x";
                    out += kHexDigits[c >> 4];
                    out += kHexDigits[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::optional<std::string> UnescapeKeyText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (text.size() - i < 3)
                    return std::nullopt;
                const auto high = HexDigitValue(text[i + 1]);
                const auto low = HexDigitValue(text[i + 2]);
                if (!high || !low)
                    return std::nullopt;
                out += static_cast<char>(*high * 16 + *low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

KeyFile ParseKeyFile(std::string_view bytes) {
    KeyFile file;
    // Every write replaces the file at once, so a last line without its line feed is no torn
    // write but a person's edit: it counts like the others.
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = Trim(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const auto name = UnescapeKeyText(Trim(line.substr(0, equals)));
        const auto value = UnescapeKeyText(Trim(line.substr(equals + 1)));
        if (name && value)
            file.Set(*name, *value);
    }
    return file;
}

std::string FormatKeyFile(const KeyFile& file) {
    std::string out(kHeader);
    for (const auto& [name, value] : file.entries) {
        out += EscapeKeyText(name, true);
        out += '=';
        out += EscapeKeyText(value, false);
        out += '\n';
    }
    return out;
}

}  // namespace zolt

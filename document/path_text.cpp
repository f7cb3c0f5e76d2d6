#include "document/path_text.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace zolt {

std::optional<std::string> PathText::Directory() const {
    const std::size_t slash = path_.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    if (slash == 0)
        return std::string("/");
    return path_.substr(0, slash);
}

std::string PathText::BaseName() const {
    const std::size_t slash = path_.rfind('/');
    std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    const std::size_t point = name.rfind('.');
    if (point != std::string::npos && point != 0)
        name.erase(point);
    return name;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return "/";
}

}  // namespace zolt

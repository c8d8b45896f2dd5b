// Paths as text, worked out without touching the file system beyond the
// current folder.
#include "paths.hpp"

#include <filesystem>
#include <system_error>

namespace pointsieve {

namespace fs = std::filesystem;

bool is_separator(char c) {
#if defined(_WIN32)
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

std::vector<std::string> absolute_parts(const std::string &name) {
    std::error_code ec;
    std::string full = name;
    bool absolute = !name.empty() && is_separator(name[0]);
#if defined(_WIN32)
    absolute = absolute || (name.size() > 1 && name[1] == ':');
#endif
    if (!absolute) full = fs::current_path(ec).string() + "/" + name;
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= full.size()) {
        std::size_t end = at;
        while (end < full.size() && !is_separator(full[end])) ++end;
        const std::string part = full.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    return parts;
}

std::string path_from(const std::string &from_dir, const std::string &name) {
    const std::vector<std::string> from = absolute_parts(from_dir), to = absolute_parts(name);
    std::size_t common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
    std::string path;
    for (std::size_t k = common; k < from.size(); ++k) path += "../";
    for (std::size_t k = common; k < to.size(); ++k) path += to[k] + (k + 1 < to.size() ? "/" : "");
    return path;
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ends_with_ci(const std::string &name, std::string_view tail) {
    if (name.size() < tail.size()) return false;
    for (std::size_t k = 0; k < tail.size(); ++k)
        if (ascii_lower(name[name.size() - tail.size() + k]) != tail[k]) return false;
    return true;
}

}  // namespace pointsieve

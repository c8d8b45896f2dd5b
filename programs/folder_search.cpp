// Searching a folder tree, each folder once.
#include "folder_search.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "paths.hpp"
#include "process.hpp"

namespace pointsieve {

namespace fs = std::filesystem;

namespace {

bool search_below(const std::string &dir, const std::vector<std::string_view> &tails, std::vector<std::string> &found,
                  std::set<std::string> &visited) {
    std::error_code ec;
    const fs::path canon = fs::canonical(fs::path(dir), ec);
    if (!ec && !visited.insert(canon.string()).second) return true;
    fs::directory_iterator it(fs::path(dir), ec);
    if (ec) {
        std::printf("\nCannot read folder %s: %s\n", korvane::printable_name(dir).c_str(), ec.message().c_str());
        return false;
    }
    const std::string prefix = !dir.empty() && is_separator(dir.back()) ? dir : dir + "/";
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string full = prefix + it->path().filename().string();
        std::error_code kind;
        if (it->is_directory(kind)) {
            if (!search_below(full, tails, found, visited)) return false;
        } else if (std::any_of(tails.begin(), tails.end(), [&](std::string_view t) { return ends_with_ci(full, t); })) {
            found.push_back(full);
        }
    }
    if (ec) {
        std::printf("\nCannot read folder %s: %s\n", korvane::printable_name(dir).c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

}  // namespace

bool search_folder(const std::string &dir, const std::vector<std::string_view> &tails,
                   std::vector<std::string> &found) {
    std::set<std::string> visited;
    return search_below(dir, tails, found, visited);
}

}  // namespace pointsieve

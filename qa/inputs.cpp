// The tiles of a run: named, listed or found under folders, each with the
// path of its statistics file under OUTDIR.
#include "inputs.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "file_util.hpp"
#include "folder_search.hpp"
#include "list_names.hpp"
#include "paths.hpp"
#include "process.hpp"
#include "stats_file.hpp"

namespace pointsieve::qa {

namespace {

bool add_word(const std::string &word, std::vector<TileInput> &tiles) {
    if (korvane::is_folder(word.c_str())) {
        std::vector<std::string> found;
        if (!search_folder(word, {".las", ".laz"}, found)) return false;
        std::sort(found.begin(), found.end());
        for (std::string &name : found) {
            const bool laz = ends_with_ci(name, ".laz");
            tiles.push_back({std::move(name), {}, laz});
        }
        return true;
    }
    tiles.push_back({word, {}, ends_with_ci(word, ".laz")});
    return true;
}

// A list: one name per line, so that names may hold spaces.
bool add_list(const std::string &list_name, std::vector<TileInput> &tiles) {
    const korvane::FilePtr list = korvane::open_file(list_name.c_str(), "rb");
    if (!list) {
        std::printf("\nCannot open list file %s for reading: %s\n", korvane::printable_name(list_name).c_str(),
                    std::strerror(errno));
        return false;
    }
    ListReading reading{list.get()};
    for (std::string line; next_list_line(reading, line);)
        if (!add_word(line, tiles)) return false;
    if (reading.too_long) {
        std::printf("\nList file %s, line %llu: longer than %llu bytes\n", korvane::printable_name(list_name).c_str(),
                    static_cast<unsigned long long>(reading.line), static_cast<unsigned long long>(kLongestListLine));
        return false;
    }
    if (std::ferror(list.get())) {
        std::printf("\nCannot read list file %s\n", korvane::printable_name(list_name).c_str());
        return false;
    }
    return true;
}

std::string folded(const std::string &s) {
    std::string t = s;
    for (char &c : t) c = ascii_lower(c);
    return t;
}

}  // namespace

bool collect_tiles(const std::vector<InputWord> &words, std::vector<TileInput> &tiles) {
    for (const InputWord &w : words)
        if (!(w.is_list ? add_list(w.text, tiles) : add_word(w.text, tiles))) return false;
    return true;
}

void assign_stats_paths(std::vector<TileInput> &tiles) {
    // The parts of each name are worked out twice rather than kept: a
    // million names would hold hundreds of megabytes of them.
    std::vector<std::string> first;
    std::size_t common = SIZE_MAX;
    for (const TileInput &t : tiles) {
        const std::vector<std::string> p = absolute_parts(t.name);
        const std::size_t folders = p.empty() ? 0 : p.size() - 1;
        if (common == SIZE_MAX) {
            common = folders;
            first = p;
        } else {
            std::size_t n = 0;
            while (n < common && n < folders && p[n] == first[n]) ++n;
            common = n;
        }
    }
    std::unordered_set<std::string> taken;
    taken.reserve(tiles.size());
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const std::vector<std::string> p = absolute_parts(tiles[k].name);
        std::string folder = "stats/";
        for (std::size_t c = common; c + 1 < p.size(); ++c) {
            std::string part = p[c];
            std::replace(part.begin(), part.end(), ':', '_');
            folder += part + "/";
        }
        const std::string base = stats_file_name(p.empty() ? std::string() : p.back());
        // A file name holds 255 bytes at most: a longer one loses the end of
        // its stem (before a UTF-8 sequence, not inside one), with room left
        // for a "~N" that keeps it unique.
        std::string name_stem = base.substr(0, base.size() - std::string_view("_stats.asc").size());
        constexpr std::size_t kLongestStem = 255 - 10 - 8;
        if (name_stem.size() > kLongestStem) {
            std::size_t keep = kLongestStem;
            while (keep > 0 && (static_cast<unsigned char>(name_stem[keep]) & 0xC0) == 0x80) --keep;
            name_stem.resize(keep);
        }
        const std::string stem = folder + name_stem;
        std::string path = stem + "_stats.asc";
        for (unsigned n = 2; !taken.insert(folded(path)).second; ++n)
            path = stem + "~" + std::to_string(n) + "_stats.asc";
        tiles[k].stats = path;
    }
}

void shard_slice(std::uint64_t count, std::uint64_t k, std::uint64_t n, std::uint64_t &begin, std::uint64_t &end) {
    // The first count % n slices take one item more than the others.
    const std::uint64_t base = count / n, extra = count % n;
    const auto start = [&](std::uint64_t j) { return j * base + std::min(j, extra); };
    begin = start(k - 1);
    end = start(k);
}

}  // namespace pointsieve::qa

// The tiles of a run: named, listed or found under folders, each with the
// path of its statistics file under OUTDIR.
#include "inputs.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "folder_search.hpp"
#include "list_names.hpp"
#include "paths.hpp"
#include "process.hpp"
#include "stats_file.hpp"

namespace pointsieve::qa {

namespace {

bool add_word(const std::string &word, TileNames &tiles) {
    if (korvane::is_folder(word.c_str())) {
        std::vector<std::string> found;
        if (!search_folder(word, {".las", ".laz"}, found)) return false;
        std::sort(found.begin(), found.end());
        for (const std::string &name : found) add_name(tiles, name);
        return true;
    }
    add_name(tiles, word);
    return true;
}

// A list: one name per line, so that names may hold spaces.
bool add_list(const std::string &list_name, TileNames &tiles) {
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

// A 64-bit hash of a path with ASCII case folded (FNV-1a).
std::uint64_t folded_hash(const std::string &s) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : s) h = (h ^ static_cast<unsigned char>(ascii_lower(c))) * 0x100000001b3ull;
    return h;
}

// The statistics paths taken so far, by their folded hashes in an open
// table: 16 bytes a tile where a set of the paths took a hundred. Two
// paths of one hash are told apart as if equal, which costs the second a
// "~N" and nothing else.
struct TakenPaths {
    std::vector<std::uint64_t> slots;  // 0: empty
};

bool take_path(TakenPaths &t, const std::string &path) {
    std::uint64_t h = folded_hash(path);
    if (h == 0) h = 1;
    const std::size_t mask = t.slots.size() - 1;
    for (std::size_t at = static_cast<std::size_t>(h) & mask;; at = (at + 1) & mask) {
        if (t.slots[at] == h) return false;
        if (t.slots[at] == 0) {
            t.slots[at] = h;
            return true;
        }
    }
}

}  // namespace

bool collect_tiles(const std::vector<InputWord> &words, TileInputs &tiles) {
    for (const InputWord &w : words)
        if (!(w.is_list ? add_list(w.text, tiles.names) : add_word(w.text, tiles.names))) return false;
    return true;
}

TileInput tile_input(const TileInputs &tiles, std::size_t k) {
    return {name_at(tiles.names, k), name_at(tiles.stats, k)};
}

void assign_stats_paths(TileInputs &tiles) {
    // The parts of each name are worked out twice rather than kept: a
    // million names would hold hundreds of megabytes of them.
    const std::size_t count = tiles.names.starts.size();
    std::vector<std::string> first;
    std::size_t common = SIZE_MAX;
    for (std::size_t k = 0; k < count; ++k) {
        const std::vector<std::string> p = absolute_parts(name_at(tiles.names, k));
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
    TakenPaths taken;
    std::size_t slots = 16;
    while (slots < 2 * count) slots *= 2;
    taken.slots.assign(slots, 0);
    tiles.stats = TileNames{};
    tiles.stats.starts.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::vector<std::string> p = absolute_parts(name_at(tiles.names, k));
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
        for (unsigned n = 2; !take_path(taken, path); ++n) path = stem + "~" + std::to_string(n) + "_stats.asc";
        add_name(tiles.stats, path);
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

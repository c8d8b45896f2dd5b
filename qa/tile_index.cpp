// Reading a tile index and matching a delivery against it.
#include "tile_index.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "list_names.hpp"
#include "paths.hpp"
#include "process.hpp"

namespace pointsieve::qa {

namespace {

// The footprints by cell of a square grid of about their size, so that a
// place is looked up among a few; the rare footprint that spans many cells
// is kept apart and tried for every place.
struct FootprintCells {
    double size = 1;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> cells;
    std::vector<std::size_t> large;
};

std::uint64_t cell_key(std::int64_t i, std::int64_t j) {
    return static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(j);
}

FootprintCells footprint_cells(const TileIndex &index) {
    FootprintCells f;
    std::vector<double> sizes;
    for (std::size_t k = 0; k < index.boxes.size(); ++k)
        if (index.has_box[k]) sizes.push_back(std::max(index.boxes[k].x1 - index.boxes[k].x0, index.boxes[k].y1 - index.boxes[k].y0));
    if (sizes.empty()) return f;
    std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2), sizes.end());
    if (sizes[sizes.size() / 2] > 0) f.size = sizes[sizes.size() / 2];
    constexpr double kMostCells = 8;
    for (std::size_t k = 0; k < index.boxes.size(); ++k) {
        if (!index.has_box[k]) continue;
        const Box &b = index.boxes[k];
        const double i0 = std::floor(b.x0 / f.size), i1 = std::floor(b.x1 / f.size);
        const double j0 = std::floor(b.y0 / f.size), j1 = std::floor(b.y1 / f.size);
        if (!(i1 - i0 < kMostCells && j1 - j0 < kMostCells && std::fabs(i0) < 1e15 && std::fabs(j0) < 1e15)) {
            f.large.push_back(k);
            continue;
        }
        for (double i = i0; i <= i1; ++i)
            for (double j = j0; j <= j1; ++j)
                f.cells[cell_key(static_cast<std::int64_t>(i), static_cast<std::int64_t>(j))].push_back(k);
    }
    return f;
}

// The entries whose footprint's box holds the place (x, y).
std::vector<std::size_t> footprints_holding(const FootprintCells &f, const TileIndex &index, double x, double y) {
    std::vector<std::size_t> found;
    const auto holds = [&](std::size_t k) {
        const Box &b = index.boxes[k];
        return x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1;
    };
    for (const std::size_t k : f.large)
        if (holds(k)) found.push_back(k);
    const double i = std::floor(x / f.size), j = std::floor(y / f.size);
    if (!(std::fabs(i) < 1e15 && std::fabs(j) < 1e15)) return found;
    const auto cell = f.cells.find(cell_key(static_cast<std::int64_t>(i), static_cast<std::int64_t>(j)));
    if (cell != f.cells.end())
        for (const std::size_t k : cell->second)
            if (holds(k)) found.push_back(k);
    return found;
}

}  // namespace

std::string index_stem(const std::string &name) {
    std::string stem = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    if (ends_with_ci(stem, ".las") || ends_with_ci(stem, ".laz")) stem.resize(stem.size() - 4);
    for (char &c : stem) c = ascii_lower(c);
    return stem;
}

namespace {

// Where a line's footprint begins: at MULTIPOLYGON or POLYGON in any case,
// npos when it has none.
std::size_t footprint_at(const std::string &line) {
    std::string upper = line;
    for (char &c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    const std::size_t multi = upper.find("MULTIPOLYGON");
    return multi != std::string::npos ? multi : upper.find("POLYGON");
}

// The X-Y box of a footprint's coordinates (the first two numbers of each
// comma-separated place); false when it holds none.
bool footprint_box(const std::string &wkt, Box &box) {
    bool any = false;
    for (std::size_t at = wkt.find('('); at != std::string::npos && at < wkt.size();) {
        const std::size_t end = std::min(wkt.find(',', at), wkt.size());
        std::string place = wkt.substr(at, end - at);
        for (char &c : place) c = c == '(' || c == ')' ? ' ' : c;
        char *rest = nullptr;
        const double x = std::strtod(place.c_str(), &rest);
        const char *after_x = rest;
        const double y = std::strtod(after_x, &rest);
        if (rest != after_x && after_x != place.c_str() && std::isfinite(x) && std::isfinite(y)) {
            box = any ? Box{std::min(box.x0, x), std::max(box.x1, x), std::min(box.y0, y), std::max(box.y1, y)}
                      : Box{x, x, y, y};
            any = true;
        }
        at = end + 1;
    }
    return any;
}

}  // namespace

bool read_tile_index(const char *path, TileIndex &index) {
    const korvane::FilePtr file = korvane::open_file(path, "rb");
    if (!file) {
        std::printf("\nCannot open tile index %s for reading: %s\n", korvane::printable_name(path).c_str(),
                    std::strerror(errno));
        return false;
    }
    index.given = true;
    ListReading reading{file.get()};
    for (std::string line; next_list_line(reading, line);) {
        Box box{};
        const std::size_t at = footprint_at(line);
        const bool has_box = at != std::string::npos;
        if (has_box) {
            if (!footprint_box(line.substr(at), box)) {
                std::printf("\nTile index %s, line %llu: a footprint without coordinates\n",
                            korvane::printable_name(path).c_str(), static_cast<unsigned long long>(reading.line));
                return false;
            }
            line.resize(at);  // the name before it, without its separator and quotes
            while (!line.empty() && std::strchr(",;\t \"", line.back()) != nullptr) line.pop_back();
            if (line.empty()) line = "index line " + std::to_string(reading.line);
            else index.by_stem.try_emplace(index_stem(line), index.names.size());
        } else {
            index.by_stem.try_emplace(index_stem(line), index.names.size());
        }
        index.names.push_back(line);
        index.boxes.push_back(box);
        index.has_box.push_back(has_box ? 1 : 0);
    }
    if (reading.too_long) {
        std::printf("\nTile index %s, line %llu: longer than %llu bytes\n", korvane::printable_name(path).c_str(),
                    static_cast<unsigned long long>(reading.line), static_cast<unsigned long long>(kLongestListLine));
        return false;
    }
    if (std::ferror(file.get())) {
        std::printf("\nCannot read tile index %s\n", korvane::printable_name(path).c_str());
        return false;
    }
    return true;
}

void match_tile_index(const TileIndex &index, const TileNames &tiles, const FactsTable &facts,
                      std::vector<char> &unexpected, std::vector<MissingTile> &missing) {
    unexpected.clear();
    missing.clear();
    if (!index.given) return;
    std::vector<char> delivered(index.names.size(), 0);
    unexpected.assign(tiles.starts.size(), 0);
    const FootprintCells cells = footprint_cells(index);
    for (std::size_t k = 0; k < tiles.starts.size(); ++k) {
        bool expected = false;
        const auto found = index.by_stem.find(index_stem(name_at(tiles, k)));
        if (found != index.by_stem.end()) delivered[found->second] = 1, expected = true;
        const Facts &t = facts_at(facts, k);
        if (t.read && t.has_points)
            for (const std::size_t e : footprints_holding(cells, index, 0.5 * (t.x_min + t.x_max), 0.5 * (t.y_min + t.y_max)))
                delivered[e] = 1, expected = true;
        unexpected[k] = expected ? 0 : 1;
    }
    for (std::size_t k = 0; k < index.names.size(); ++k) {
        if (delivered[k]) continue;
        const auto first = index.by_stem.find(index_stem(index.names[k]));
        const bool named_first = first != index.by_stem.end() && first->second == k;
        if (index.has_box[k] ? first == index.by_stem.end() || named_first : named_first)
            missing.push_back({index.names[k], index.has_box[k] != 0, index.boxes[k]});
    }
}

}  // namespace pointsieve::qa

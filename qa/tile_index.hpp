// A tile index: the tiles a delivery is expected to hold, a line each: a
// name (with or without folders and extension: a tile is matched by the
// stem of its file name, case not told apart), or a footprint as OGC WKT
// (POLYGON or MULTIPOLYGON, as GIS software exports a tile index), or a
// name, a separator and a footprint. A tile matches a footprint whose X-Y
// box holds the centre of its points. The audit lists the tiles expected
// and missing, and warns of tiles delivered but not expected.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "box.hpp"
#include "facts.hpp"
#include "tile_names.hpp"

namespace pointsieve::qa {

struct TileIndex {
    bool given = false;
    std::vector<std::string> names;                        // as the index gives them, in its order
    std::unordered_map<std::string, std::size_t> by_stem;  // the first name of each stem
    std::vector<Box> boxes;                                // the footprints' boxes, by entry
    std::vector<char> has_box;                             // the entry has a footprint
};

// An entry of the index not delivered: its name ("index line N" for a
// footprint without one) and its footprint's box, where it has one.
struct MissingTile {
    std::string name;
    bool has_box = false;
    Box box{};
};

// Reads the index file at path. False, having printed why, when it cannot
// be read or holds a line longer than a path.
bool read_tile_index(const char *path, TileIndex &index);

// The stem of a tile's name as the index matches it: the file name
// without its folders and its extension (.las or .laz), ASCII lower case.
std::string index_stem(const std::string &name);

// For each delivered tile, 1 when it is not in the index (empty when none
// is given); and the index's entries that no delivered tile matches.
void match_tile_index(const TileIndex &index, const TileNames &tiles, const FactsTable &facts,
                      std::vector<char> &unexpected, std::vector<MissingTile> &missing);

}  // namespace pointsieve::qa

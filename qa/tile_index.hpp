// A tile index: the tiles a delivery is expected to hold, one name a line
// (with or without folders and extension: a tile is matched by the stem of
// its file name, case not told apart). The audit lists the tiles expected
// and missing, and warns of tiles delivered but not expected.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "tile_names.hpp"

namespace pointsieve::qa {

struct TileIndex {
    bool given = false;
    std::vector<std::string> names;                        // as the index gives them, in its order
    std::unordered_map<std::string, std::size_t> by_stem;  // the first name of each stem
};

// Reads the index file at path. False, having printed why, when it cannot
// be read or holds a line longer than a path.
bool read_tile_index(const char *path, TileIndex &index);

// The stem of a tile's name as the index matches it: the file name
// without its folders and its extension (.las or .laz), ASCII lower case.
std::string index_stem(const std::string &name);

// For each delivered tile, 1 when it is not in the index (empty when none
// is given); and the index's names that no delivered tile has.
void match_tile_index(const TileIndex &index, const TileNames &tiles, std::vector<char> &unexpected,
                      std::vector<std::string> &missing);

}  // namespace pointsieve::qa

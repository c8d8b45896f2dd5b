// An OGC WKT text (WKT 1 or WKT 2) as a tree of nodes, for the reader of
// its coordinate system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pointsieve::formats {

struct WktNode {
    std::string keyword;  // in capitals: WKT keywords are not case-sensitive
    std::vector<std::string> strings;
    std::vector<double> numbers;
    std::vector<std::string> words;  // bare words: WKT 2 enumerations, WKT 1 axis directions
    std::vector<WktNode> children;
};

// The nodes of the text at its top level (the keyword of the tree's root is
// empty), read up to the end of the text whatever its faults.
WktNode read_wkt_tree(std::string_view wkt);

// Whether text is one decimal number as WKT writes them, and which.
bool wkt_whole_number(std::string_view text, double &value);

}  // namespace pointsieve::formats

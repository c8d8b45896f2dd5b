// What a correct update_header leaves in a LAS file, worked out here on its
// own from the file's bytes, so that the tests and the update_header fuzz
// target check the library against one reference. Plain functions over file
// images, with no test framework, so that the fuzz target can use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace header_reference {

// Figures a rewritten header should hold; bounds as integer extremes.
struct Figures {
    std::uint64_t count = 0;  // whole records after OffsetToData
    std::uint32_t byReturn[5] = {};
    std::int32_t maxX = 0, minX = 0, maxY = 0, minY = 0, maxZ = 0, minZ = 0;
};

// Extremes that any record replaces.
Figures before_any_record();

// Figures of a file image of LASType 1 to 8 (the 227 header bytes at
// least), read record by record: the whole records after OffsetToData, each
// of the LASType's record size, their counts by return number 1 to 5, and
// the extremes of their integer X, Y and Z. A partial record at the end is
// not counted.
Figures scan(const unsigned char *file, std::size_t size, int las_type);

// The file as update_header should leave it: the former bytes with the
// count, the by-return counts and the bounds replaced, the bounds formed
// with the file's own scale factors and offsets. A file without a whole
// record (count 0) keeps its six bounds.
std::vector<unsigned char> with_figures(std::vector<unsigned char> file, const Figures &f);

}  // namespace header_reference

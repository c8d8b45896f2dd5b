// The look at a list file's first bytes.
#include "list_file_content.hpp"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "las_format.hpp"

namespace pointsieve {

ListFileContent list_file_content(const char *name) {
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name, opened);
    unsigned char head[korvane::kHeaderBytes];
    const std::size_t got = f ? std::fread(head, 1, sizeof head, f.get()) : 0;
    if (got < 4 || std::memcmp(head, "LASF", 4) != 0 || std::memchr(head, 0, got) == nullptr)
        return ListFileContent::Text;
    constexpr std::size_t format_at = offsetof(LAS12Header, PointDataFormatID);
    return got > format_at && (head[format_at] & 0x80) != 0 ? ListFileContent::CompressedLasData
                                                            : ListFileContent::LasData;
}

}  // namespace pointsieve

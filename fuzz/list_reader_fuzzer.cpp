// The list-file reader on arbitrary text: the names must be exactly the
// whitespace-separated words of the file, as formatted "%s" reads see them,
// with words too long to name a file cut into pieces, and the first without
// a leading byte-order mark.
#include <cstdio>
#include <memory>
#include <sstream>

#include "fuzz_support.hpp"
#include "list_names.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".txt");
    file.write(data, size);
    const std::string text(reinterpret_cast<const char *>(data), size);

    std::vector<std::string> from_file;
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE *)> list(std::fopen(file.name().c_str(), "r"), &std::fclose);
        fuzz::require(list != nullptr, "the list file did not open");
        pointsieve::ListReading reading{list.get()};
        for (std::string name; pointsieve::next_list_name(reading, name);) from_file.push_back(name);
    }

    // Stream extraction in the classic locale splits on the same six
    // separators as "%s".
    std::istringstream words(text);
    std::vector<std::string> expected;
    const std::size_t piece = pointsieve::kLongestListName + 1;
    for (std::string w; words >> w;)
        for (std::size_t at = 0; at < w.size(); at += piece) expected.push_back(w.substr(at, piece));
    const std::string_view mark = pointsieve::kByteOrderMark;
    if (!expected.empty() && expected.front().starts_with(mark)) {
        expected.front().erase(0, mark.size());
        if (expected.front().empty()) expected.erase(expected.begin());
    }
    fuzz::require(from_file == expected, "the names are not the words of the list");
    return 0;
}

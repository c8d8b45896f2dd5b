// The list-file reader on arbitrary text: the names must be exactly the
// whitespace-separated words of the file, as formatted "%s" reads see them,
// whether the text comes from a file or from memory.
#include <sstream>

#include "command.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".txt");
    file.write(data, size);
    const std::string text(reinterpret_cast<const char *>(data), size);

    std::vector<std::string> from_file;
    fuzz::require(pointsieve::read_list_file(file.name(), from_file), "the list file did not open");
    fuzz::require(from_file == pointsieve::split_list(text), "file and memory give different names");

    // Stream extraction in the classic locale splits on the same six
    // separators as "%s".
    std::istringstream words(text);
    std::vector<std::string> expected;
    for (std::string w; words >> w;) expected.push_back(w);
    fuzz::require(from_file == expected, "the names are not the words of the list");
    return 0;
}

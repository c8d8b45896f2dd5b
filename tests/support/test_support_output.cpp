// The texts the program prints, as the tests expect them: the banner, the
// version, progress lines, the elapsed time and statistics file lines.
#include "test_support.hpp"

#include <regex>

namespace testing_support {

std::string banner() {
    static const std::string text = run_in_child([] { credits(); }).out;
    return text;
}

std::string version_text(const std::string &program) {
    return program + " " KORVANE_LIDAR_VERSION_STRING "\n"
                     "License: BSD-3-Clause (see the LICENSE file or /usr/share/doc/pointsieve/copyright)\n";
}

std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string progress(const std::string &name, int index, int count) {
    return "\rProcessing file " + name + " (" + std::to_string(index) + " / " + std::to_string(count) + ")" + sp(20);
}

namespace {
const std::regex kElapsedLine("\nElapsed time [0-9]+\\.[0-9]{3} seconds\n$");
}  // namespace

std::string without_elapsed(const std::string &out) { return std::regex_replace(out, kElapsedLine, kElapsed); }

bool ends_with_elapsed(const std::string &out) { return std::regex_search(out, kElapsedLine); }

std::string key(const std::string &name, int width, const std::string &value) {
    return name + " " + sp(width - static_cast<int>(value.size())) + value + "\n";
}

}  // namespace testing_support

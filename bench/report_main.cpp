// Writes report.html into a folder that holds an audit's tables, as the
// audit does last: bench_report DIR [-d]. For the report's benchmark.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "report.hpp"

int main(int argc, char **argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "-d") != 0)) {
        std::fprintf(stderr, "usage: bench_report DIR [-d]\n");
        return 2;
    }
    if (!pointsieve::qa::write_report(argv[1], argc == 3)) {
        std::fprintf(stderr, "bench_report: cannot write %s/report.html: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}

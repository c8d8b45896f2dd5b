// Writes the generated delivery into OUTDIR and prints what the audit must
// say about each tile: PATH<TAB>STATUS<TAB>FLAGGED<TAB>TOLERATED, one line
// per tile in byte order of the paths (FLAGGED: the checks that must warn or
// fail; TOLERATED: those that may fail besides).
//
//   qa_make_delivery OUTDIR
#include <cstdio>
#include <exception>

#include "delivery.hpp"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qa_make_delivery OUTDIR\n");
        return 2;
    }
    try {
        for (const qa_delivery::Expectation &e : qa_delivery::make_delivery(argv[1]))
            std::printf("%s\t%s\t%s\t%s\n", e.path.c_str(), e.status.c_str(), e.flagged.c_str(), e.tolerated.c_str());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qa_make_delivery: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

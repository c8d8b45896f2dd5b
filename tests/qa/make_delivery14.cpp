// Writes the generated LAS 1.4 delivery into OUTDIR with the limits it is
// judged with (OUTDIR/limits.txt, which the audit does not take for a tile:
// Pointsieve-qa --limits OUTDIR/limits.txt OUTDIR), and prints what the audit must
// say about each tile as qa_make_delivery does:
// PATH<TAB>STATUS<TAB>FLAGGED<TAB>TOLERATED, in byte order of the paths.
//
//   qa_make_delivery14 OUTDIR
#include <cstdio>
#include <exception>
#include <string>

#include "delivery14.hpp"
#include "test_support.hpp"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qa_make_delivery14 OUTDIR\n");
        return 2;
    }
    try {
        const std::vector<qa_delivery::Expectation14> table = qa_delivery::make_delivery14(argv[1]);
        testing_support::write_text(std::string(argv[1]) + "/limits.txt", qa_delivery::kLimits14);
        for (const qa_delivery::Expectation14 &e : table)
            std::printf("%s\t%s\t%s\t%s\n", e.tile.path.c_str(), e.tile.status.c_str(), e.tile.flagged.c_str(),
                        e.tile.tolerated.c_str());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qa_make_delivery14: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// The audit's reading of one tile on an arbitrary file, as a run reads it:
// its header, coordinate system and points, the flight lines and voids, and
// its row; then the facts read back from that row, and the row's lines
// folded and judged as the delivery folds them. Whatever the file, the
// lines' points are the records read, and a row folds like any other.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "flight_lines.hpp"
#include "fuzz_support.hpp"
#include "limits.hpp"
#include "tile.hpp"

// A hang is a finding after 5 s, an allocation of 64 MB or more at once
// another (the worker's tables are a few megabytes).
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static char timeout[] = "-timeout=5", malloc_limit[] = "-malloc_limit_mb=64";
    static std::vector<char *> args;
    args.assign(*argv, *argv + *argc + 1);  // with the null pointer that ends argv
    args.insert(args.begin() + 1, {timeout, malloc_limit});
    *argv = args.data();
    *argc += 2;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace pointsieve::qa;
    static const fuzz::ScratchFile file(".las");
    static const fuzz::ScratchFile stats(".asc");
    file.write(data, size);
    // The worker's tables are kept from one input to the next, as a run
    // keeps them from tile to tile.
    static TileReader reader;
    static const bool ready = start_tile_reader(reader, false, nullptr);
    fuzz::require(ready, "the reader could not start");
    TileOutcome out;
    read_tile(reader, {file.name(), stats.name()}, ".", out);
    const FactFields &f = out.fields;
    const Facts t = parse_facts(f);
    if (!t.read) return 0;

    FlightLines fl;
    fold_tile_lines(fl, f[ColLines], f[ColLinePairs]);
    std::uint64_t points = 0;
    for (const auto &[source, line] : fl.lines) {
        fuzz::require(line.tiles == 1, "a line of one tile is counted in more");
        points += line.points;
    }
    fuzz::require(points == t.records || t.records == 0, "the lines' points are not the records read");
    fuzz::require(t.lines.size() == fl.lines.size(), "the tile's sources are not its lines");
    const std::vector<LineJudgement> judged = judge_lines(fl, default_limits());
    fuzz::require(judged.size() == fl.lines.size(), "a line was not judged");
    for (const LineJudgement &j : judged)
        fuzz::require(!j.has_covered || (j.covered >= 0 && j.covered <= 100), "a line is covered beyond the whole");
    fuzz::require(!t.has_voids || (t.void_percent >= 0 && t.void_percent <= 100), "voids beyond the whole tile");
    return 0;
}

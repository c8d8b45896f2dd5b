// The run of Pointsieve-qa: the command line, the tiles read (or the
// shards' tables), the tables judged and written, the report and the
// summary, and the new output folder swapped in.
#include "run.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "combine.hpp"
#include "delivered.hpp"
#include "delivery_figures.hpp"
#include "limits.hpp"
#include "options.hpp"
#include "outdir.hpp"
#include "process.hpp"
#include "program_identity.hpp"
#include "reading.hpp"
#include "run_record.hpp"
#include "report.hpp"
#include "run_failure.hpp"
#include "standard_output.hpp"
#include "summary.hpp"
#include "tables.hpp"
#include "tile_index.hpp"

namespace pointsieve::qa {

namespace {

using korvane::end_with_failure;
using korvane::printable_name;

// The output folder of the run, removed when memory runs out.
OutDir the_outdir;

int run(int argc, char **argv) {
    guard_standard_streams();
    program_name = "Pointsieve-qa";
    if (answered_identity(argc, argv, kUsage)) return 0;
    if (argc == 2 && std::strcmp(argv[1], "--print-limits") == 0) {
        print_limits(stdout);
        finish_stdout();
        return 0;
    }
    Options o = parse_options(argc, argv);
    Limits limits = default_limits();
    if (o.limits) read_limits(o.limits, limits);
    o.limits_digest = limits_digest(limits);  // for the record the run leaves in OUTDIR
    // The index judges the tiles, like the limits, in a run and in a combine.
    TileIndex index;
    if (o.index && !read_tile_index(o.index, index)) end_with_failure();

    // A combine reads statistics files: their keys are indexed on a thread
    // while the tables are opened.
    IndexJob job;
    if (o.combine) start_index(job);
    OutDir &out = the_outdir;
    Delivered d;
    if (o.combine)
        read_shards(o, out, job, d);
    else
        read_delivery(o, out, d);
    // Every statistics file is folded: the keys' index is freed while the
    // tables are written.
    std::thread disposer;
    if (o.combine) disposer = free_index(job);
    const long long archived = write_archive(d, out);
    Delivery delivery = judge_delivery(d.facts);
    match_tile_index(index, d.names, d.facts, delivery.unexpected, delivery.missing);
    delivery.has_index = index.given;
    const std::vector<LineJudgement> lines = judge_lines(d.lines, limits);
    delivery.line_covered = tile_line_covered(d.facts, lines);
    delivery.flight_lines = lines.size();
    for (const LineJudgement &j : lines) {
        delivery.lines_interswath += j.interswath_verdict == Verdict::Warn || j.interswath_verdict == Verdict::Fail;
        delivery.lines_covered += j.covered_verdict == Verdict::Warn || j.covered_verdict == Verdict::Fail;
    }
    const Tally tally = write_tables(d, delivery, limits, out);
    write_holes(delivery, out);
    write_lines(d.lines, lines, out);
    if (!write_report(out.temp, d.detailed, d.merged.get())) {
        std::printf("\nCannot write the report in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    print_summary(d, delivery, tally, archived);
    // The new outputs replace the earlier run only once standard output has
    // taken the summary whole.
    flush_stdout();
    if (std::ferror(stdout)) {
        abandon_outdir(out);
        finish_stdout();
    }
    if (!finish_outdir(out)) end_with_failure();
    finish_stdout();
    if (disposer.joinable()) disposer.join();
    return unread_tiles(d) > 0 || tally.failing_tiles > 0 ? 1 : 0;
}

}  // namespace

int run_audit(int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for the audit\n");
        fail_run(the_outdir);
    }
}

}  // namespace pointsieve::qa

// Reading the shards' tables and statistics files back as one run's.
#include "combine.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "csv.hpp"
#include "facts.hpp"
#include "paths.hpp"
#include "process.hpp"
#include "run_failure.hpp"
#include "shard_set.hpp"

namespace pointsieve::qa {

namespace {

using korvane::end_with_failure;
using korvane::printable_name;

void build_index(IndexJob *job) {
    try {
        job->index = build_key_index();
        job->built = true;
    } catch (const std::bad_alloc &) {
    }
}

void dispose_index(std::unique_ptr<KeyIndex> index) { index.reset(); }

}  // namespace

void start_index(IndexJob &job) {
    try {
        job.thread = std::thread(build_index, &job);
    } catch (const std::system_error &) {
        build_index(&job);
    }
}

void read_shards(const Options &o, OutDir &out, IndexJob &job, Delivered &d) {
    RunRecord combined;
    const std::vector<Shard> shards = check_shards(o, combined);
    if (!begin_outdir(o.outdir, combined, out)) end_with_failure();
    if (job.thread.joinable()) job.thread.join();
    if (!job.built) {
        std::printf("\nCannot allocate memory for the keys of the statistics file\n");
        fail_run(out);
    }
    start_tiles(d, &job.index, out);
    d.detailed = combined.detailed;
    for (const Shard &s : shards) {
        const std::string &shard = s.dir;
        const std::string table = shard + "/tiles.csv";
        TableReader t;
        if (!open_table(t, table, ',')) {
            std::printf("\nCannot open table %s: %s\n", printable_name(table).c_str(), std::strerror(errno));
            fail_run(out);
        }
        std::vector<std::string> fields;
        std::vector<std::size_t> at(kFactColumns, SIZE_MAX);
        if (next_row(t, fields))
            for (std::size_t c = 0; c < kFactColumns; ++c)
                for (std::size_t k = 0; k < fields.size(); ++k)
                    if (fields[k] == kColumnNames[c]) at[c] = k;
        for (std::size_t c = 0; c < kFactColumns; ++c) {
            if (at[c] == SIZE_MAX) {
                std::printf("\nTable %s has no column %s\n", printable_name(table).c_str(), kColumnNames[c]);
                fail_run(out);
            }
        }
        FactFields row;
        long long line = 1;
        while (next_row(t, fields)) {
            ++line;
            for (std::size_t c = 0; c < kFactColumns; ++c) {
                if (at[c] >= fields.size() || t.cut_short) {
                    std::printf("\nTable %s, row %lld: the row is cut short\n", printable_name(table).c_str(), line);
                    fail_run(out);
                }
                row[c] = fields[at[c]];
            }
            std::string stats_file;
            if (!row[ColStats].empty()) {
                stats_file = shard + "/" + row[ColStats];
                row[ColStats] = path_from(out.target, stats_file);
            }
            add_tile(d, row, stats_file, nullptr, out);
        }
        if (t.failed) {
            std::printf("\nCannot read table %s\n", printable_name(table).c_str());
            fail_run(out);
        }
    }
    if (facts_count(d.facts) == 0) {
        std::printf("\nNo tile found\n");
        fail_run(out);
    }
}

std::thread free_index(IndexJob &job) {
    std::thread disposer;
    try {
        disposer = std::thread(dispose_index, std::make_unique<KeyIndex>(std::move(job.index)));
    } catch (const std::system_error &) {
    }
    return disposer;
}

}  // namespace pointsieve::qa

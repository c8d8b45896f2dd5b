// The run of Pointsieve-qa: the command line, the reading of the tiles on
// worker threads (or the reading of shards' tables), and the outputs.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "Korvane_LiDAR.h"
#include "audit.hpp"
#include "failure.hpp"
#include "file_util.hpp"
#include "merge.hpp"
#include "outdir.hpp"
#include "process.hpp"
#include "program_identity.hpp"
#include "report.hpp"
#include "standard_output.hpp"
#include "stats_file.hpp"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sched.h>
#endif

namespace pointsieve::qa {

namespace {

using korvane::end_with_failure;
using korvane::printable_name;

bool stderr_is_terminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// The processors this process may run on: on Linux those of its affinity
// mask, which a Slurm task or taskset narrows, elsewhere the machine's.
unsigned available_processors() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

constexpr const char *kUsage =
    "\nUsage:\n"
    "Pointsieve-qa --help | --version | --print-limits\n"
    "Pointsieve-qa [-d] [-j N] [-o OUTDIR] [--limits FILE] [--shard K/N] [-l LIST] [TILE | FOLDER ...]\n"
    "Pointsieve-qa --combine [-o OUTDIR] [--limits FILE] SHARD_OUTDIR ...\n"
    "          -d Save the detailed histograms in the statistics files\n"
    "          -j Read N tiles at once (default: the processors available)\n"
    "          -o Write the outputs into OUTDIR (default pointsieve-qa)\n"
    "          -l Audit the tiles named in LIST, one per line\n"
    "    --limits Read the limits of the checks from FILE\n"
    "     --shard Audit the K-th of N slices of the tiles\n"
    "   --combine Combine the outputs of the shards into those of one run\n\n";

[[noreturn]] void refuse_arguments(const char *format, const char *argument) {
    std::printf(format, printable_name(argument).c_str());
    print_usage(kUsage);
    end_with_failure();
}

struct Options {
    bool detailed = false, combine = false;
    unsigned threads = 0;
    std::string outdir = "pointsieve-qa";
    const char *limits = nullptr;
    std::uint64_t shard_k = 1, shard_n = 1;
    bool sharded = false;
    std::vector<InputWord> inputs;
};

bool parse_count(const char *text, std::uint64_t &v) {
    if (*text < '0' || *text > '9') return false;
    v = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(*p - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    return true;
}

Options parse_options(int argc, char **argv) {
    Options o;
    bool outdir_given = false, options_done = false, sharded = false, threads_given = false;
    for (int a = 1; a < argc; ++a) {
        const std::string_view word = argv[a];
        if (options_done || word.empty() || word[0] != '-' || word == "-") {
            o.inputs.push_back({argv[a], false});
            continue;
        }
        if (word == "--") {
            options_done = true;
        } else if (word == "-d") {
            o.detailed = true;
        } else if (word == "--combine") {
            o.combine = true;
        } else if (word == "-j" || word == "-o" || word == "-l" || word == "--limits" || word == "--shard") {
            if (a + 1 == argc) refuse_arguments("\nOption %s needs a value\n", argv[a]);
            const char *value = argv[++a];
            if (word == "-l") {
                o.inputs.push_back({value, true});
            } else if (word == "-o") {
                if (outdir_given) refuse_arguments("\nMore than one %s argument\n", "-o");
                if (*value == '\0') refuse_arguments("\nOption %s needs a folder name\n", "-o");
                o.outdir = value, outdir_given = true;
            } else if (word == "--limits") {
                if (o.limits) refuse_arguments("\nMore than one %s argument\n", "--limits");
                o.limits = value;
            } else if (word == "-j") {
                std::uint64_t n = 0;
                if (threads_given) refuse_arguments("\nMore than one %s argument\n", "-j");
                if (!parse_count(value, n) || n < 1 || n > 4096)
                    refuse_arguments("\nThe value of -j must be a whole number from 1 to 4096, not %s\n", value);
                o.threads = static_cast<unsigned>(n), threads_given = true;
            } else {
                if (sharded) refuse_arguments("\nMore than one %s argument\n", "--shard");
                const std::string v = value;
                const std::size_t slash = v.find('/');
                std::uint64_t k = 0, n = 0;
                if (slash == std::string::npos || !parse_count(v.substr(0, slash).c_str(), k) ||
                    !parse_count(v.substr(slash + 1).c_str(), n) || k < 1 || k > n)
                    refuse_arguments("\nThe value of --shard must be K/N with 1 <= K <= N, not %s\n", value);
                o.shard_k = k, o.shard_n = n, sharded = true;
            }
        } else {
            refuse_arguments("\nUnknown option %s\n", argv[a]);
        }
    }
    o.sharded = sharded;
    if (o.combine && (o.detailed || sharded || threads_given ||
                      std::any_of(o.inputs.begin(), o.inputs.end(), [](const InputWord &w) { return w.is_list; })))
        refuse_arguments("\n%s takes only -o, --limits and the shards' output folders\n", "--combine");
    if (o.inputs.empty()) {
        std::printf(o.combine ? "\nNo shard output folders given\n" : "\nNo tiles given\n");
        print_usage(kUsage);
        end_with_failure();
    }
    return o;
}

// The keys of the statistics file, which a combine needs to read the
// shards' statistics files, indexed on a thread of its own.
struct IndexJob {
    std::thread thread;
    KeyIndex index;
    bool built = false;
};

void build_index(IndexJob *job) {
    try {
        job->index = build_key_index();
        job->built = true;
    } catch (const std::bad_alloc &) {
    }
}

void dispose_index(std::unique_ptr<KeyIndex> index) { index.reset(); }

void start_index(IndexJob &job) {
    try {
        job.thread = std::thread(build_index, &job);
    } catch (const std::system_error &) {
        build_index(&job);
    }
}

// The tiles of a run as they are judged and written: the figures each is
// judged by and its name, kept in memory (a few hundred bytes a tile); its
// row up to the checks, set aside in a file of the new folder; its
// statistics file, folded into the archive as it comes, as Pointsieve-merge
// folds them.
struct Delivered {
    TileNames names;
    std::vector<Facts> facts;
    korvane::FilePtr rows;
    std::string rows_name;
    IndexJob *job = nullptr;
    StatsReadBuffers buffers;
    InputFigures input;
    std::unique_ptr<MergedFigures> merged;
    // Figures of the delivery for standard output.
    std::uint64_t by_status[5] = {};
    std::uint64_t points = 0;
    std::vector<std::pair<std::string, std::uint64_t>> types;  // "1.2 format 3" and tiles
    std::string extent_text[6];
    double extent[6] = {};
    bool has_extent = false;
    std::string gps_text[2][2];
    double gps[2][2] = {};
    bool has_gps[2] = {};
    bool detailed = false;
};

[[noreturn]] void fail_run(OutDir &out);

// Opens the file of rows and starts the merge; a combine, which reads
// statistics files, first waits for the keys' index.
void start_tiles(Delivered &d, IndexJob *job, OutDir &out) {
    if (job && job->thread.joinable()) job->thread.join();
    if (job && !job->built) {
        std::printf("\nCannot allocate memory for the keys of the statistics file\n");
        fail_run(out);
    }
    d.job = job;
    d.merged = std::make_unique<MergedFigures>();
    if (allocate_histograms(d.merged->acc) != Failure::None) {
        std::printf("\nCannot allocate memory for the merge\n");
        fail_run(out);
    }
    start_merge(*d.merged);
    d.rows_name = out.temp + "/.rows";
    d.rows = korvane::open_file(d.rows_name.c_str(), "w+b");
    if (!d.rows) {
        std::printf("\nCannot write in %s: %s\n", printable_name(out.temp).c_str(), std::strerror(errno));
        fail_run(out);
    }
}

void merge_stats(Delivered &d, const std::string &name, OutDir &out) {
    const korvane::FilePtr f = korvane::open_file(name.c_str(), "rb");
    ReadResult r;
    if (!f)
        r.outcome = ReadOutcome::CannotOpen;
    else
        r = read_stats(f.get(), d.job->index, d.buffers, d.input, *d.merged);
    if (r.outcome != ReadOutcome::Ok) {
        std::printf("\nCannot read statistics file %s (line %lld)\n", printable_name(name).c_str(), r.line);
        fail_run(out);
    }
    if (!merge_scalars(d.input, name, *d.merged)) {
        std::printf("\nFile %s holds the detailed histograms (-d) and file %s does not: combine shards written "
                    "alike\n",
                    printable_name(d.merged->detailed_name).c_str(), printable_name(d.merged->plain_name).c_str());
        fail_run(out);
    }
}

// Folds the figures of a tile's statistics file into the archive, as
// read_stats does with the file itself.
void fold_figures(Delivered &d, const InputFigures &in, const std::string &name, OutDir &out) {
    MergedFigures &m = *d.merged;
    m.acc.ReturnCount += in.total;
    for (std::size_t b = 0; b < 10; ++b) {
        m.returns.by_return_number[b] += in.returns.by_return_number[b];
        m.returns.by_number_of_returns[b] += in.returns.by_number_of_returns[b];
    }
    for (std::size_t c = 0; c < 256; ++c) m.acc.ClassificationCount[c] += in.classes[c];
    if (!merge_scalars(in, name, m)) {
        std::printf("\nFile %s holds the detailed histograms (-d) and file %s does not\n",
                    printable_name(m.detailed_name).c_str(), printable_name(m.plain_name).c_str());
        fail_run(out);
    }
}

// Adds one tile: its row, its figures, and its statistics file to the
// archive (read from stats_file, or given as figures).
void add_tile(Delivered &d, const FactFields &f, const std::string &stats_file, const InputFigures *figures,
              OutDir &out) {
    std::string row;
    for (std::size_t c = 0; c < kFactColumns; ++c) {
        if (c > 0) row += ',';
        append_csv_field(row, f[c]);
    }
    row += '\n';
    if (std::fwrite(row.data(), 1, row.size(), d.rows.get()) != row.size()) {
        std::printf("\nCannot write in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    const Facts t = parse_facts(f);
    add_name(d.names, f[ColTile]);
    d.facts.push_back(t);
    ++d.by_status[static_cast<int>(t.status)];
    if (!t.read) return;
    if (figures)
        fold_figures(d, *figures, stats_file, out);
    else
        merge_stats(d, stats_file, out);
    d.points += t.records;
    const std::string type = f[ColVersion] + " format " + f[ColFormat];
    auto found = std::find_if(d.types.begin(), d.types.end(), [&](const auto &p) { return p.first == type; });
    if (found == d.types.end())
        d.types.push_back({type, 1});
    else
        ++found->second;
    if (t.has_points) {
        const double v[6] = {t.x_min, t.x_max, t.y_min, t.y_max, t.z_min, t.z_max};
        for (std::size_t k = 0; k < 6; ++k) {
            const bool wider = !d.has_extent || (k % 2 == 0 ? v[k] < d.extent[k] : v[k] > d.extent[k]);
            if (wider) d.extent[k] = v[k], d.extent_text[k] = f[ColXMin + k];
        }
        d.has_extent = true;
    }
    if (t.has_gps) {
        const std::size_t e = static_cast<std::size_t>(t.gps_encoding);
        if (!d.has_gps[e] || t.gps_min < d.gps[e][0]) d.gps[e][0] = t.gps_min, d.gps_text[e][0] = f[ColGpsMin];
        if (!d.has_gps[e] || t.gps_max > d.gps[e][1]) d.gps[e][1] = t.gps_max, d.gps_text[e][1] = f[ColGpsMax];
        d.has_gps[e] = true;
    }
}

void stop_reading();

// The output folder of the run, removed when memory runs out.
OutDir the_outdir;

[[noreturn]] void fail_run(OutDir &out) {
    stop_reading();
    abandon_outdir(out);
    end_with_failure();
}

// ---- Reading the tiles ----------------------------------------------------

// The reading of a run's tiles: workers take the next tile, read it and
// leave its outcome in its slot; the main thread takes the outcomes in
// input order as they come, so that only the tiles read ahead of the
// oldest still being read wait in memory.
struct Reading {
    const std::vector<TileInput> *tiles = nullptr;
    std::size_t begin = 0, end = 0;
    const std::string *outdir = nullptr;
    std::vector<std::unique_ptr<TileOutcome>> outcomes;
    std::unique_ptr<std::atomic<bool>[]> ready;
    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable came;
    std::vector<std::thread> workers;
};

// The reading under way, stopped before a failure ends the process.
Reading *reading_now = nullptr;

void stop_reading() {
    Reading *r = reading_now;
    if (!r) return;
    reading_now = nullptr;
    r->stop = true;
    for (std::thread &w : r->workers)
        if (w.joinable()) w.join();
}

void read_tiles(Reading *r, TileReader *reader) {
    while (!r->stop) {
        const std::size_t k = r->begin + r->next.fetch_add(1);
        if (k >= r->end) return;
        std::unique_ptr<TileOutcome> o;
        try {
            o = std::make_unique<TileOutcome>();
            read_tile(*reader, (*r->tiles)[k], *r->outdir, *o);
        } catch (const std::bad_alloc &) {
            o.reset();  // an empty slot: the run fails
        }
        {
            const std::lock_guard<std::mutex> lock(r->mutex);
            r->outcomes[k - r->begin] = std::move(o);
            r->ready[k - r->begin] = true;
            ++r->done;
        }
        r->came.notify_one();
    }
}

void show_progress(const Reading &r, std::chrono::steady_clock::time_point start, bool last) {
    const std::size_t total = r.end - r.begin, done = r.done;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = seconds > 0 ? static_cast<double>(r.bytes) / 1e6 / seconds : 0;
    const double left = done > 0 ? seconds * static_cast<double>(total - done) / static_cast<double>(done) : 0;
    if (last) {
        std::fprintf(stderr, "\r%78s\r", "");
    } else {
        std::fprintf(stderr, "\r%llu of %llu tiles, %.1f MB/s, %.0f s left%10s", static_cast<unsigned long long>(done),
                     static_cast<unsigned long long>(total), rate, left, "");
    }
    std::fflush(stderr);
}

void read_delivery(const Options &o, OutDir &out, Delivered &d) {
    std::vector<TileInput> tiles;
    if (!collect_tiles(o.inputs, tiles)) end_with_failure();
    if (tiles.empty()) {
        std::printf("\nNo tile found\n");
        end_with_failure();
    }
    assign_stats_paths(tiles);
    std::uint64_t begin = 0, end = tiles.size();
    if (o.sharded) shard_slice(tiles.size(), o.shard_k, o.shard_n, begin, end);
    if (!begin_outdir(o.outdir, o.detailed, out)) end_with_failure();
    std::vector<std::string> stats;
    for (std::uint64_t k = begin; k < end; ++k) stats.push_back(tiles[k].stats);
    if (!make_folders(out, stats)) fail_run(out);

    const std::size_t count = end - begin;
    unsigned threads = o.threads ? o.threads : available_processors();
    threads = static_cast<unsigned>(std::min<std::uint64_t>(threads, std::max<std::size_t>(1, count)));
    Reading r;
    std::vector<std::unique_ptr<TileReader>> readers;
    try {
        for (unsigned t = 0; t < threads; ++t) {
            readers.push_back(std::make_unique<TileReader>());
            if (!start_tile_reader(*readers.back(), o.detailed, &r.bytes)) throw std::bad_alloc();
        }
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for reading the tiles\n");
        fail_run(out);
    }
    r.tiles = &tiles, r.begin = begin, r.end = end, r.outdir = &out.temp;
    r.outcomes.resize(count);
    r.ready = std::make_unique<std::atomic<bool>[]>(count);
    for (std::size_t k = 0; k < count; ++k) r.ready[k] = false;
    reading_now = &r;
    for (unsigned t = 0; t < threads; ++t) {
        try {
            r.workers.emplace_back(read_tiles, &r, readers[t].get());
        } catch (const std::system_error &) {
            if (t == 0) {
                std::printf("\nCannot start a thread to read the tiles\n");
                fail_run(out);
            }
            break;  // fewer threads, the same outputs
        }
    }
    const bool progress = stderr_is_terminal();
    const auto start = std::chrono::steady_clock::now();
    d.detailed = o.detailed;
    for (std::size_t k = 0; k < count; ++k) {
        {
            std::unique_lock<std::mutex> lock(r.mutex);
            while (!r.ready[k]) {
                r.came.wait_for(lock, std::chrono::milliseconds(250));
                if (progress) show_progress(r, start, false);
            }
        }
        if (k == 0) start_tiles(d, nullptr, out);
        const std::unique_ptr<TileOutcome> t = std::move(r.outcomes[k]);
        if (!t) {
            std::printf("\nCannot allocate memory for reading the tiles\n");
            fail_run(out);
        }
        const TileInput &tile = tiles[begin + k];
        if (t->write_failed) {
            std::printf("\nCannot write statistics file %s: %s\n", printable_name(out.target + "/" + tile.stats).c_str(),
                        std::strerror(t->write_errno != 0 ? t->write_errno : EIO));
            fail_run(out);
        }
        add_tile(d, t->fields, out.temp + "/" + tile.stats, &t->figures, out);
    }
    if (count == 0) start_tiles(d, nullptr, out);
    stop_reading();
    for (const auto &reader : readers) add_detailed_sums(*reader, d.merged->acc);
    if (progress) show_progress(r, start, true);
}

// ---- Reading the shards' tables -------------------------------------------

void read_shards(const Options &o, OutDir &out, IndexJob &job, Delivered &d) {
    if (!begin_outdir(o.outdir, false, out)) end_with_failure();
    start_tiles(d, &job, out);
    for (const InputWord &w : o.inputs) {
        std::string shard = w.text;
        while (shard.size() > 1 && (shard.back() == '/' || shard.back() == '\\')) shard.pop_back();
        bool detailed = false;
        if (!holds_run(shard, detailed)) {
            std::printf("\nFolder %s holds no output of Pointsieve-qa\n", printable_name(shard).c_str());
            fail_run(out);
        }
        d.detailed = d.detailed || detailed;
        const std::string table = shard + "/tiles.csv";
        const korvane::FilePtr f = korvane::open_file(table.c_str(), "rb");
        if (!f) {
            std::printf("\nCannot open table %s: %s\n", printable_name(table).c_str(), std::strerror(errno));
            fail_run(out);
        }
        std::vector<std::string> fields;
        bool cut = false;
        std::vector<std::size_t> at(kFactColumns, SIZE_MAX);
        if (read_csv_record(f.get(), fields, cut))
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
        while (read_csv_record(f.get(), fields, cut)) {
            ++line;
            for (std::size_t c = 0; c < kFactColumns; ++c) {
                if (at[c] >= fields.size() || cut) {
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
        if (std::ferror(f.get())) {
            std::printf("\nCannot read table %s\n", printable_name(table).c_str());
            fail_run(out);
        }
    }
    if (d.facts.empty()) {
        std::printf("\nNo tile found\n");
        fail_run(out);
    }
}

// ---- The outputs ----------------------------------------------------------

// Writes archive_stats.asc from the statistics files folded; returns their
// number.
long long write_archive(const Delivered &d, OutDir &out) {
    const MergedFigures &merged = *d.merged;
    if (merged.files == 0) return 0;
    const std::string name = out.temp + "/archive_stats.asc";
    korvane::FilePtr f = korvane::open_file(name.c_str(), "w");
    bool ok = static_cast<bool>(f);
    if (ok) {
        write_stats(f.get(), merged_texts(merged), merged.acc, merged.returns, merged_detailed(merged));
        ok = std::fflush(f.get()) == 0 && !std::ferror(f.get());
        ok = std::fclose(f.release()) == 0 && ok;
    }
    if (!ok) {
        std::printf("\nCannot write %s: %s\n", printable_name(out.target + "/archive_stats.asc").c_str(), std::strerror(errno));
        fail_run(out);
    }
    return merged.files;
}

// A name in a TSV field: tab, line ends and backslash escaped.
void append_tsv(std::string &line, const std::string &field) {
    for (const char c : field) {
        switch (c) {
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            case '\\': line += "\\\\"; break;
            default: line += c;
        }
    }
}

struct Tally {
    std::array<std::array<std::uint64_t, 3>, kCheckCount> counts{};  // pass, warn, fail
    std::uint64_t failing_tiles = 0;
};

bool put(std::FILE *f, const std::string &s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

Tally write_tables(Delivered &d, const Limits &limits, OutDir &out) {
    const Delivery delivery = judge_delivery(d.facts);
    const std::string table_name = out.temp + "/tiles.csv", verdicts_name = out.temp + "/verdicts.tsv";
    korvane::FilePtr table = korvane::open_file(table_name.c_str(), "wb");
    korvane::FilePtr verdicts = korvane::open_file(verdicts_name.c_str(), "wb");
    bool ok = table && verdicts;
    Tally tally;
    std::string line;
    for (std::size_t c = 0; c < kFactColumns; ++c) {
        if (c > 0) line += ',';
        line += kColumnNames[c];
    }
    for (const char *check : kCheckNames) {
        line += ",check:";
        line += check;
    }
    line += '\n';
    ok = ok && put(table.get(), line);
    std::string lines;
    std::FILE *rows = d.rows.get();
    ok = ok && std::fflush(rows) == 0 && korvane::seek_to(rows, 0);
    for (std::size_t k = 0; ok && k < d.facts.size(); ++k) {
        line.clear();
        int c;
        while ((c = std::getc(rows)) != EOF && c != '\n') line += static_cast<char>(c);
        if (c == EOF) {
            ok = false;
            break;
        }
        lines.clear();
        bool failed = false;
        for (std::size_t check = 0; check < kCheckCount; ++check) {
            const Judgement j = judge(limits, delivery, d.facts, d.names, k, static_cast<Check>(check));
            switch (j.verdict) {
                case Verdict::NotApplicable: line += ",-"; continue;
                case Verdict::Pass: line += ",pass"; ++tally.counts[check][0]; continue;
                case Verdict::Warn: line += ",warn"; ++tally.counts[check][1]; break;
                case Verdict::Fail: line += ",fail"; ++tally.counts[check][2]; failed = true; break;
            }
            lines += j.verdict == Verdict::Warn ? "warn\t" : "fail\t";
            lines += std::string(kCheckNames[check]) + "\t";
            append_tsv(lines, name_at(d.names, k));
            lines += "\t";
            append_tsv(lines, j.value);
            lines += "\t" + j.limit + "\n";
        }
        tally.failing_tiles += failed;
        line += '\n';
        ok = put(table.get(), line) && put(verdicts.get(), lines);
    }
    for (std::size_t c = 0; ok && c < kCheckCount; ++c) {
        char text[200];
        std::snprintf(text, sizeof text, "total\t%s\tpass=%llu warn=%llu fail=%llu\n", kCheckNames[c],
                      static_cast<unsigned long long>(tally.counts[c][0]),
                      static_cast<unsigned long long>(tally.counts[c][1]),
                      static_cast<unsigned long long>(tally.counts[c][2]));
        ok = put(verdicts.get(), text);
    }
    for (korvane::FilePtr *f : {&table, &verdicts}) {
        if (!*f) continue;
        ok = std::fflush(f->get()) == 0 && !std::ferror(f->get()) && ok;
        ok = std::fclose(f->release()) == 0 && ok;
    }
    if (!ok) {
        std::printf("\nCannot write the tables in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    d.rows.reset();
    std::remove(d.rows_name.c_str());
    return tally;
}

void print_summary(const Delivered &d, const Tally &tally, long long archived) {
    std::printf("Tiles:            %llu (ok %llu, truncated %llu, refused %llu, compressed %llu, unreadable %llu)\n",
                static_cast<unsigned long long>(d.facts.size()), static_cast<unsigned long long>(d.by_status[0]),
                static_cast<unsigned long long>(d.by_status[1]), static_cast<unsigned long long>(d.by_status[2]),
                static_cast<unsigned long long>(d.by_status[3]), static_cast<unsigned long long>(d.by_status[4]));
    std::printf("Points read:      %llu\n", static_cast<unsigned long long>(d.points));
    std::printf("LAS types:        ");
    if (d.types.empty()) std::printf("none read");
    for (std::size_t k = 0; k < d.types.size(); ++k)
        std::printf("%s%s (%llu tiles)", k ? ", " : "", d.types[k].first.c_str(),
                    static_cast<unsigned long long>(d.types[k].second));
    std::printf("\n");
    const char *axes[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a) {
        if (d.has_extent)
            std::printf("%s range:          %s to %s\n", axes[a], d.extent_text[2 * a].c_str(),
                        d.extent_text[2 * a + 1].c_str());
        else
            std::printf("%s range:\n", axes[a]);
    }
    const char *encodings[2] = {"week", "standard"};
    bool any_gps = false;
    for (int e = 0; e < 2; ++e) {
        if (!d.has_gps[e]) continue;
        std::printf("GPS time (%s):%*s%s to %s\n", encodings[e], e == 0 ? 5 : 1, "", d.gps_text[e][0].c_str(),
                    d.gps_text[e][1].c_str());
        any_gps = true;
    }
    if (!any_gps) std::printf("GPS time:\n");
    std::vector<double> density;
    for (const Facts &t : d.facts)
        if (t.has_points && t.has_density) density.push_back(t.density);
    if (density.empty()) {
        std::printf("Median density:\n");
    } else {
        const std::size_t mid = (density.size() - 1) / 2;
        std::nth_element(density.begin(), density.begin() + static_cast<std::ptrdiff_t>(mid), density.end());
        std::printf("Median density:   %.6g points per square unit\n", density[mid]);
    }
    if (archived > 0)
        std::printf("Archive:          archive_stats.asc, %lld statistics files merged\n", archived);
    else
        std::printf("Archive:          no tile was read, so no archive_stats.asc\n");
    std::printf("\n%-18s %10s %10s %10s\n", "Check", "pass", "warn", "fail");
    for (std::size_t c = 0; c < kCheckCount; ++c)
        std::printf("%-18s %10llu %10llu %10llu\n", kCheckNames[c], static_cast<unsigned long long>(tally.counts[c][0]),
                    static_cast<unsigned long long>(tally.counts[c][1]),
                    static_cast<unsigned long long>(tally.counts[c][2]));
    const std::uint64_t unread = d.by_status[2] + d.by_status[3] + d.by_status[4];
    std::printf("\n%llu tiles not read, %llu tiles failing a check\n", static_cast<unsigned long long>(unread),
                static_cast<unsigned long long>(tally.failing_tiles));
}

int run(int argc, char **argv) {
    guard_standard_streams();
    program_name = "Pointsieve-qa";
    if (answered_identity(argc, argv, kUsage)) return 0;
    if (argc == 2 && std::strcmp(argv[1], "--print-limits") == 0) {
        print_limits(stdout);
        finish_stdout();
        return 0;
    }
    const Options o = parse_options(argc, argv);
    Limits limits = default_limits();
    if (o.limits) read_limits(o.limits, limits);

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
    // Every statistics file is folded: the keys' index, some 130,000
    // entries, is freed on a thread of its own while the tables are written.
    std::thread disposer;
    try {
        if (o.combine) disposer = std::thread(dispose_index, std::make_unique<KeyIndex>(std::move(job.index)));
    } catch (const std::system_error &) {
    }
    const long long archived = write_archive(d, out);
    const Tally tally = write_tables(d, limits, out);
    if (!write_report(out.temp, d.detailed)) {
        std::printf("\nCannot write the report in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    print_summary(d, tally, archived);
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
    const std::uint64_t unread = d.by_status[2] + d.by_status[3] + d.by_status[4];
    return unread > 0 || tally.failing_tiles > 0 ? 1 : 0;
}

}  // namespace

int run_audit(int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for the audit\n");
        fail_run(the_outdir);
        end_with_failure();
    }
}

}  // namespace pointsieve::qa

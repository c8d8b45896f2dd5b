// Pointsieve-merge: merges statistics files written by Pointsieve -s into
// the figures of one run over all their inputs, and tabulates them.
#include <chrono>
#include <cstdio>
#include <new>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Korvane_LiDAR.h"
#include "failure.hpp"
#include "file_util.hpp"
#include "list_names.hpp"
#include "merge.hpp"
#include "process.hpp"
#include "program_identity.hpp"
#include "replace_file.hpp"
#include "report.hpp"
#include "standard_output.hpp"
#include "stats_file.hpp"
#include "table.hpp"

namespace {

using korvane::end_with_failure;
using korvane::printable_name;
using namespace pointsieve;

constexpr const char *kNoInputs = "\nNo statistics files given\n";
constexpr const char *kCannotWriteTable = "\nCannot write table %s\n";

constexpr const char *kUsage =
    "\nUsage:\n"
    "Pointsieve-merge -h | --help | --version\n"
    "Pointsieve-merge [-o MERGED_stats.asc] [-t TABLE.csv] [-l LIST] [STATS_FILE ...]\n"
    "          -o Write the merged statistics file\n"
    "          -t Write a table (CSV) of the inputs, one row each\n"
    "          -l Merge the statistics files named in LIST as well\n\n";

[[noreturn]] void refuse_arguments(const char *format, const char *argument) {
    std::printf(format, printable_name(argument).c_str());
    print_usage(kUsage);
    end_with_failure();
}

// The command line: the outputs, and the inputs in order, each a statistics
// file or (-l) a list of them.
struct Arguments {
    const char *merged = nullptr;  // -o
    const char *table = nullptr;   // -t
    struct Input {
        const char *name;
        bool is_list;
    };
    std::vector<Input> inputs;
};

Arguments parse_arguments(int argc, char **argv) {
    Arguments args;
    for (int a = 1; a < argc; ++a) {
        const std::string_view word = argv[a];
        if (word == "-o" || word == "-t" || word == "-l") {
            if (a + 1 == argc) refuse_arguments("\nOption %s needs a file name\n", argv[a]);
            const char *value = argv[++a];
            if (word == "-l") {
                args.inputs.push_back({value, true});
                continue;
            }
            const char *&slot = word == "-o" ? args.merged : args.table;
            if (slot) refuse_arguments("\nMore than one %s argument\n", argv[a - 1]);
            slot = value;
        } else if (word.size() > 1 && word[0] == '-') {
            refuse_arguments("\nUnknown option %s\n", argv[a]);
        } else {
            args.inputs.push_back({argv[a], false});
        }
    }
    if (args.inputs.empty()) {
        std::printf("%s", kNoInputs);
        print_usage(kUsage);
        end_with_failure();
    }
    // One file for both outputs would end up holding only one of them.
    if (args.merged && args.table &&
        (std::strcmp(args.merged, args.table) == 0 || korvane::same_file(args.merged, args.table)))
        refuse_arguments("\nOptions -o and -t name the same file %s\n", args.table);
    return args;
}

// The run's outputs and reading state.
struct Run {
    KeyIndex index;
    StatsReadBuffers buffers;
    InputFigures input;
    MergedFigures merged;
    Replacement stats;  // -o
    Replacement table;  // -t
    std::string row;
};

// Neither output is replaced by a run that fails.
void abandon_outputs(Run &run) {
    abandon_replacement(run.stats);
    abandon_replacement(run.table);
}

// Ends a run that failed, leaving both outputs' names as they were.
[[noreturn]] void end_failed_merge(Run &run) {
    abandon_outputs(run);
    end_with_failure();
}

[[noreturn]] void end_failed_merge(Run &run, Failure failure, const char *name) {
    abandon_outputs(run);
    fail(failure, name);
}

[[noreturn]] void end_failed_table(Run &run, const char *message) {
    std::printf(message, printable_name(run.table.target).c_str());
    end_failed_merge(run);
}

// Prints the message of a file that could not be merged.
void print_refusal(const char *name, const ReadResult &r) {
    const korvane::PrintableName file = printable_name(name), key = printable_name(r.key);
    const char *f = file.c_str(), *k = key.c_str();
    const long long n = r.line;
    switch (r.outcome) {
        case ReadOutcome::Ok: break;
        case ReadOutcome::CannotOpen: std::printf("\nCannot open statistics file %s for reading\n", f); break;
        case ReadOutcome::CannotRead: std::printf("\nCannot read statistics file %s at line %lld\n", f, n); break;
        case ReadOutcome::NotStatistics:
            std::printf("\nFile %s is not a statistics file (line %lld)\n", f, n);
            break;
        case ReadOutcome::UnknownKey: std::printf("\nFile %s, line %lld: unknown key %s\n", f, n, k); break;
        case ReadOutcome::RepeatedKey: std::printf("\nFile %s, line %lld: key %s is repeated\n", f, n, k); break;
        case ReadOutcome::MisplacedKey:
            std::printf("\nFile %s, line %lld: key %s is out of order\n", f, n, k);
            break;
        case ReadOutcome::Malformed:
            std::printf("\nFile %s, line %lld: the value of %s is not a number as Pointsieve writes it\n", f, n, k);
            break;
        case ReadOutcome::Negative: std::printf("\nFile %s, line %lld: the count of %s is negative\n", f, n, k); break;
        case ReadOutcome::MissingKey:
            std::printf("\nFile %s, line %lld: key %s is missing\n", f, n, k);
            break;
        case ReadOutcome::CutShort: std::printf("\nFile %s, line %lld: the file ends inside this line\n", f, n); break;
        case ReadOutcome::TooLarge:
            std::printf("\nFile %s, line %lld: the count of %s takes a sum beyond 2^64 - 1\n", f, n, k);
            break;
    }
}

// Reads one statistics file into the merge and its row into the table.
void merge_file(Run &run, const char *name) {
    ReadResult r;
    const korvane::FilePtr f = korvane::open_file(name, "rb");
    if (!f)
        r.outcome = ReadOutcome::CannotOpen;
    else
        r = read_stats(f.get(), run.index, run.buffers, run.input, run.merged);
    if (r.outcome != ReadOutcome::Ok) {
        print_refusal(name, r);
        end_failed_merge(run);
    }
    if (!merge_scalars(run.input, name, run.merged)) {
        std::printf("\nFile %s holds the detailed histograms (-d) and file %s does not: merge statistics files "
                    "written alike\n",
                    printable_name(run.merged.detailed_name).c_str(), printable_name(run.merged.plain_name).c_str());
        end_failed_merge(run);
    }
    if (run.table.file) {
        append_table_row(run.row, run.index, name, run.input);
        if (std::fwrite(run.row.data(), 1, run.row.size(), run.table.file.get()) != run.row.size())
            end_failed_table(run, kCannotWriteTable);
    }
}

// Merges every name of a list, as Pointsieve reads its lists.
void merge_list(Run &run, const char *list_name) {
    const korvane::FilePtr list = korvane::open_file(list_name, "r");
    if (!list) {
        std::printf("\nCannot open list file %s for reading\n", printable_name(list_name).c_str());
        end_failed_merge(run);
    }
    std::string name;
    ListReading reading{list.get()};
    while (next_list_name(reading, name)) merge_file(run, name.c_str());
    if (std::ferror(list.get())) {
        std::printf("\nCannot read list file %s\n", printable_name(list_name).c_str());
        end_failed_merge(run);
    }
}

// Both outputs are written and flushed before either is renamed over its
// name, so that a failure before the renames leaves both earlier files.
void write_outputs(Run &run, const ScalarTexts &values) {
    if (run.stats.file) {
        write_stats(run.stats.file.get(), values, run.merged.acc, run.merged.returns, merged_detailed(run.merged));
        if (!complete_replacement(run.stats)) end_failed_merge(run, Failure::StatsCannotWrite, run.stats.target.c_str());
    }
    if (run.table.file && !complete_replacement(run.table)) end_failed_table(run, kCannotWriteTable);
    if (!commit_replacement(run.stats)) end_failed_merge(run, Failure::StatsCannotWrite, run.stats.target.c_str());
    if (!commit_replacement(run.table)) end_failed_table(run, kCannotWriteTable);
}

int run_merge(int argc, char **argv) {
    guard_standard_streams();
    program_name = "Pointsieve-merge";
    // "-h" alone asks for the usage too, as it does of Pointsieve.
    if (answered_identity(argc, argv, kUsage, argc == 2 && std::strcmp(argv[1], "-h") == 0)) return 0;
    const auto beginTime = std::chrono::steady_clock::now();
    const Arguments args = parse_arguments(argc, argv);

    Run run;
    try {
        run.index = build_key_index();
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for the keys of the statistics file\n");
        end_with_failure();
    }
    if (const Failure failure = allocate_histograms(run.merged.acc); failure != Failure::None)
        fail(failure);
    start_merge(run.merged);
    // Both outputs are checked, and their temporary files made, before any
    // input is read.
    if (args.merged && !begin_replacement(args.merged, run.stats, NameFrom::User))
        end_failed_merge(run, Failure::StatsCannotOpen, args.merged);
    if (args.table) {
        if (!begin_replacement(args.table, run.table, NameFrom::User))
            end_failed_table(run, "\nCannot open table %s for writing\n");
        const std::string heading = table_heading(run.index);
        std::fputs(heading.c_str(), run.table.file.get());
    }
    for (const Arguments::Input &input : args.inputs) {
        if (input.is_list)
            merge_list(run, input.name);
        else
            merge_file(run, input.name);
    }
    if (run.merged.files == 0) {
        std::printf("%s", kNoInputs);
        end_failed_merge(run);
    }

    const ScalarTexts values = merged_texts(run.merged);
    credits();
    std::printf("\nSummary of %lld statistics files\n\n", run.merged.files);
    print_report_body(values, run.merged.acc, run.merged.returns, merged_detailed(run.merged));
    // The outputs are replaced only by a run whose report reached standard
    // output.
    flush_stdout();
    if (std::ferror(stdout)) {
        abandon_outputs(run);
        finish_stdout();
    }
    write_outputs(run, values);

    print_elapsed_time(beginTime);
    finish_stdout();
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    try {
        return run_merge(argc, argv);
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for the merge\n");
        korvane::end_with_failure();
    }
}

// The run driver: validation of the inputs, the reading pass and every
// message of the run.
#include "command.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"
#include "accumulate.hpp"
#include "file_util.hpp"
#include "las_format.hpp"
#include "program_info.hpp"
#include "report.hpp"
#include "stats_file.hpp"
#include "validation.hpp"

namespace pointsieve {

using korvane::digit;
using korvane::end_with_failure;

namespace {

// The names a run processes, kept compactly: one buffer of NUL-terminated
// names, so that a list of a million names costs little more than its text.
struct NameList {
    std::string bytes;
    std::vector<std::size_t> starts;
};

void add_name(NameList &names, const std::string &name) {
    names.starts.push_back(names.bytes.size());
    names.bytes.append(name.c_str(), name.size() + 1);
}

// The reason the first failed write to standard output gave, kept because
// later calls overwrite errno.
int stdout_errno = 0;

void flush_stdout() {
    if (std::fflush(stdout) != 0 && stdout_errno == 0) stdout_errno = errno;
}

// A run only succeeds if its report reached standard output whole.
void finish_stdout() {
    flush_stdout();
    if (!std::ferror(stdout)) return;
    std::fprintf(stderr, "Pointsieve: cannot write the report to standard output: %s\n",
                 std::strerror(stdout_errno != 0 ? stdout_errno : EIO));
    std::exit(korvane::kFailureStatus);
}

// Reads and validates the names of a list one by one, stopping at the first
// that is not a usable LAS file of the list's one type. Keeps the accepted
// names, which are the ones the run then processes.
int16_t validate_list(std::FILE *list, const char *list_name, NameList &names) {
    int16_t LASTypeCheck = -1;
    std::string name;
    try {
        while (next_list_name(list, name)) {
            const int16_t type = check_las(name.c_str());
            if (type < 1) {
                std::printf("%s (listed in %s) is not a valid LAS file\n", name.c_str(), list_name);
                end_with_failure();
            }
            if (names.starts.empty()) {
                LASTypeCheck = type;
            } else if (type != LASTypeCheck) {
                std::printf("\nType of file %s differs from that of previous files in %s\n", name.c_str(), list_name);
                end_with_failure();
            }
            add_name(names, name);
        }
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for the names listed in %s\n", list_name);
        end_with_failure();
    }
    // A read error (a failing disk, a directory given as the list) must not
    // pass for the end of the list.
    if (std::ferror(list)) {
        std::printf("\nCannot read input ASCII file %s\n", list_name);
        end_with_failure();
    }
    if (names.starts.empty()) {
        std::printf("\nFile %s contains no valid .las files\n", list_name);
        end_with_failure();
    }
    return LASTypeCheck;
}

// Reads one validated input into acc, printing its progress line, and ends
// the run with a message when the file cannot be read or is no longer the
// file that was validated.
void read_input(const char *name, int16_t LASType, bool detailed, int index, int count, Accumulator &acc,
                LAS12Header &header, std::vector<unsigned char> &block) {
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name, opened);
    if (opened == korvane::OpenOutcome::NotRegular) {
        std::printf("\nFile %s changed after it was validated\n", name);
        end_with_failure();
    }
    if (!f) {
        std::printf("\nCannot open binary file %s for reading\n\n", name);
        end_with_failure();
    }
    std::printf("\rProcessing file %s (%d / %d)%20s", name, index, count, " ");
    flush_stdout();

    const FileReading r = accumulate_file(f.get(), LASType, detailed, acc, header, block);
    const char *failure = nullptr;
    switch (r.outcome) {
        case FileOutcome::Ok: break;
        case FileOutcome::CannotReadHeader: failure = "\nCannot read header of file %s\n"; break;
        case FileOutcome::Changed: failure = "\nFile %s changed after it was validated\n"; break;
        case FileOutcome::CannotReadPoints: failure = "\nCannot read point records of file %s\n"; break;
        case FileOutcome::OutOfMemory: failure = "Failed to allocate memory for file %s\n"; break;
    }
    if (failure) {
        std::printf(failure, name);
        end_with_failure();
    }
    if (r.records_read < r.records_declared) {
        std::printf("\nWarning: %s holds %u of the %u point records declared in its header\n", name,
                    static_cast<unsigned>(r.records_read), static_cast<unsigned>(r.records_declared));
        flush_stdout();
    }
}

// Whether a would-be list file holds LAS data: the LASF signature, and a NUL
// byte within the 227 bytes of a public header, which no text list holds.
// Only a regular file is looked at, so that a list read from a pipe loses
// nothing to the look.
bool holds_las_data(const char *name) {
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name, opened);
    unsigned char head[korvane::kHeaderBytes];
    const std::size_t got = f ? std::fread(head, 1, sizeof head, f.get()) : 0;
    return got >= 4 && std::memcmp(head, "LASF", 4) == 0 && std::memchr(head, 0, got) != nullptr;
}

// Validates a single LAS input and makes it the one name of the run.
int16_t validate_las_file(const char *input, NameList &names) {
    LAS12Header h{};
    const int16_t LASType = korvane::check_las_header(input, h);
    if (LASType == 0)
        std::printf("\nCannot handle point data format %c in las files of version %c.%c\n",
                    digit(h.PointDataFormatID), digit(h.VersionMajor), digit(h.VersionMinor));
    if (LASType < 1) end_with_failure();
    try {
        add_name(names, input);
    } catch (const std::bad_alloc &) {
        std::printf("Failed to allocate memory for file %s\n", input);
        end_with_failure();
    }
    return LASType;
}

// Opens a list file and validates every name it holds.
int16_t validate_list_file(const char *input, NameList &names) {
    korvane::FilePtr list = korvane::open_file(input, "r");
    if (!list && errno == ENOMEM) {
        std::printf("\nCannot allocate memory for the names listed in %s\n", input);
        end_with_failure();
    }
    if (!list) {
        std::printf("\nCannot open input ASCII file %s for reading\n", input);
        end_with_failure();
    }
    if (holds_las_data(input)) {
        std::printf("\nFile %s is a LAS file, not a list of file names: LAS files are read only under names "
                    "ending in .las\n",
                    input);
        end_with_failure();
    }
    return validate_list(list.get(), input, names);
}

// Writes the statistics file of a run whose console report is complete.
void save(const char *input, const RunDescription &run, const Accumulator &acc) {
    std::string name;
    try {
        name = stats_file_name(input);
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot open ASCII file %.*s_stats.asc for writing\n", static_cast<int>(std::strlen(input) - 4),
                    input);
        end_with_failure();
    }
    switch (save_stats_file(name, run, acc)) {
        case SaveOutcome::Ok: break;
        case SaveOutcome::CannotOpen:
            std::printf("\nCannot open ASCII file %s for writing\n", name.c_str());
            end_with_failure();
        case SaveOutcome::CannotWrite:
            std::printf("\nCannot write ASCII file %s\n", name.c_str());
            end_with_failure();
    }
}

}  // namespace

bool next_list_name(std::FILE *list, std::string &name) {
    // The separators of formatted "%s" reads in the C locale.
    const auto is_space = [](int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    name.clear();
    int c;
    while ((c = std::getc(list)) != EOF && is_space(c)) {
    }
    if (c == EOF) return false;
    name.push_back(static_cast<char>(c));
    while (name.size() <= kLongestListName && (c = std::getc(list)) != EOF && !is_space(c))
        name.push_back(static_cast<char>(c));
    return true;
}

int run_command(int argc, char **argv) {
    korvane::guard_standard_streams();
    globalArgc = argc;
    globalArgv = argv;
    find_optionalArgs();

    // "Pointsieve -h" (or --help) alone asks for the usage text, and
    // "Pointsieve --version" alone for the version.
    if (argc == 2 && _helpFlag == 0) {
        usage();
        finish_stdout();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        print_version("Pointsieve");
        finish_stdout();
        return 0;
    }
    if (argc != _nOptionalArguments + 2) {
        std::printf("\nInvalid argument(s)\n");
        usage();
        end_with_failure();
    }

    const char *input = argv[1];
    const bool list_mode = checkFileExtension(input, "las") != 0;
    NameList names;
    const int16_t LASType = list_mode ? validate_list_file(input, names) : validate_las_file(input, names);
    const int LASCount = static_cast<int>(names.starts.size());

    const auto beginTime = std::chrono::steady_clock::now();
    credits();

    Accumulator acc;
    if (const char *message = allocate_histograms(acc)) {
        std::printf("%s", message);
        end_with_failure();
    }
    LAS12Header last_header{};
    std::vector<unsigned char> block;
    const bool detailed = _extendedSummaryFlag == 0;
    for (std::size_t k = 0; k < names.starts.size(); ++k)
        read_input(names.bytes.c_str() + names.starts[k], LASType, detailed, static_cast<int>(k) + 1, LASCount, acc,
                   last_header, block);

    const RunDescription run{list_mode, LASCount, input, LASType, last_header, detailed};
    print_report(run, acc);
    // An earlier statistics file is replaced only by a run whose report
    // reached standard output.
    if (_saveFlag == 0) {
        finish_stdout();
        save(input, run, acc);
    }

    const auto elapsed = std::chrono::steady_clock::now() - beginTime;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("\nElapsed time %.3f seconds\n", static_cast<double>(ms) / 1000.0);
    finish_stdout();
    return 0;
}

}  // namespace pointsieve

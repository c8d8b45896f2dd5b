// The run driver: validation of the inputs, the reading pass, the outputs,
// and the turn of every failure into its message (the failure table of the
// programs layer).
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
#include "failure.hpp"
#include "file_util.hpp"
#include "las_format.hpp"
#include "list_file_content.hpp"
#include "list_names.hpp"
#include "options.hpp"
#include "process.hpp"
#include "program_identity.hpp"
#include "report.hpp"
#include "standard_output.hpp"
#include "stats_file.hpp"
#include "validation.hpp"

namespace pointsieve {

using korvane::digit_character;
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

// Reads and validates the names of a list one by one, stopping at the first
// that is not a usable LAS file of the list's one type. Keeps the accepted
// names, which are the ones the run then processes.
int16_t validate_list(std::FILE *list, const char *list_name, NameList &names) {
    int16_t LASTypeCheck = -1;
    std::string name;
    try {
        ListReading reading{list};
        while (next_list_name(reading, name)) {
            LAS12Header h;
            bool resources = false;
            const int16_t type = korvane::check_las_header(name.c_str(), h, &resources);
            // A file that could not be opened for want of resources has been
            // named as such: it is not called invalid.
            if (resources) end_with_failure();
            if (type < 1) fail(Failure::ListedFileNotUsable, name.c_str(), list_name);
            if (names.starts.empty())
                LASTypeCheck = type;
            else if (type != LASTypeCheck)
                fail(Failure::ListedTypeDiffers, name.c_str(), list_name);
            add_name(names, name);
        }
    } catch (const std::bad_alloc &) {
        fail(Failure::ListNames, list_name);
    }
    // A read error (a failing disk, a directory given as the list) must not
    // pass for the end of the list.
    if (std::ferror(list)) fail(Failure::ListCannotRead, list_name);
    if (names.starts.empty()) fail(Failure::ListEmpty, list_name);
    return LASTypeCheck;
}

// Reads one validated input into acc, printing its progress line, and ends
// the run with a message when the file cannot be read or is no longer the
// file that was validated.
void read_input(const char *name, int16_t LASType, bool detailed, int index, int count, Accumulator &acc,
                LAS12Header &header, std::vector<unsigned char> &block, int &widest_progress) {
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name, opened);
    if (opened == korvane::OpenOutcome::NotRegular) fail(Failure::InputChanged, name);
    if (!f) fail(Failure::InputCannotOpen, name);
    const int width =
        std::printf("\rProcessing file %s (%d / %d)%20s", korvane::printable_name(name).c_str(), index, count, " ");
    if (width - 1 > widest_progress) widest_progress = width - 1;
    flush_stdout();

    const FileReading r = accumulate_file(f.get(), LASType, detailed, acc, header, block);
    if (r.failure != Failure::None) fail(r.failure, name);
    if (r.records_read < r.records_declared) {
        std::printf("\nWarning: %s holds %u of the %u point records declared in its header\n", korvane::printable_name(name).c_str(),
                    static_cast<unsigned>(r.records_read), static_cast<unsigned>(r.records_declared));
        flush_stdout();
    }
}

// Validates a single LAS input and makes it the one name of the run.
int16_t validate_las_file(const char *input, NameList &names) {
    LAS12Header h{};
    const int16_t LASType = korvane::check_las_header(input, h);
    if (LASType == 0) {
        const char format[] = {static_cast<char>(digit_character(h.PointDataFormatID)), '\0'};
        const char version[] = {static_cast<char>(digit_character(h.VersionMajor)), '.', static_cast<char>(digit_character(h.VersionMinor)),
                                '\0'};
        fail(Failure::UnhandledPair, format, version);
    }
    if (LASType < 1) end_with_failure();
    try {
        add_name(names, input);
    } catch (const std::bad_alloc &) {
        fail(Failure::FileMemory, input);
    }
    return LASType;
}

// Opens a list file and validates every name it holds.
int16_t validate_list_file(const char *input, NameList &names) {
    korvane::FilePtr list = korvane::open_file(input, "r");
    if (!list) fail(errno == ENOMEM ? Failure::ListNames : Failure::ListCannotOpen, input);
    const ListFileContent content = list_file_content(input);
    if (content == ListFileContent::CompressedLasData) fail(Failure::ListHoldsLazData, input);
    if (content == ListFileContent::LasData) fail(Failure::ListHoldsLasData, input);
    return validate_list(list.get(), input, names);
}

}  // namespace

int run_command(int argc, char **argv) {
    guard_standard_streams();
    globalArgc = argc;
    globalArgv = argv;
    find_optionalArgs();

    // "Pointsieve -h" (or --help) alone asks for the usage text, and
    // "Pointsieve --version" alone for the version.
    if (answered_identity(argc, argv, kUsage, argc == 2 && _helpFlag == 0)) return 0;
    if (argc != _nOptionalArguments + 2) {
        std::printf("\nInvalid argument(s)\n");
        print_usage(kUsage);
        end_with_failure();
    }

    const char *input = argv[1];
    const bool list_mode = checkFileExtension(input, "las") != 0;
    NameList names;
    const int16_t LASType = list_mode ? validate_list_file(input, names) : validate_las_file(input, names);
    const int LASCount = static_cast<int>(names.starts.size());
    std::string stats_name;
    try {
        if (_saveFlag == 0) stats_name = stats_file_name(input);
    } catch (const std::bad_alloc &) {
        fail(Failure::FileMemory, input);
    }

    const auto beginTime = std::chrono::steady_clock::now();
    credits();

    Accumulator acc;
    if (const Failure failure = allocate_histograms(acc); failure != Failure::None) fail(failure);
    LAS12Header last_header{};
    std::vector<unsigned char> block;
    int widest_progress = 0;
    const bool detailed = _extendedSummaryFlag == 0;
    for (std::size_t k = 0; k < names.starts.size(); ++k)
        read_input(names.bytes.c_str() + names.starts[k], LASType, detailed, static_cast<int>(k) + 1, LASCount, acc,
                   last_header, block, widest_progress);

    const RunDescription run{list_mode, LASCount, input, LASType, last_header, detailed, widest_progress};
    print_report(run, acc);
    // An earlier statistics file is replaced only by a run whose report
    // reached standard output.
    if (_saveFlag == 0) {
        finish_stdout();
        if (const Failure failure = save_stats_file(stats_name, run, acc); failure != Failure::None)
            fail(failure, stats_name.c_str());
    }

    print_elapsed_time(beginTime);
    finish_stdout();
    return 0;
}

}  // namespace pointsieve

// The run driver: validation of the inputs, the reading pass, the outputs,
// and the turn of every failure into its message (failure.cpp).
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
#include "options.hpp"
#include "process.hpp"
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

// Reads and validates the names of a list one by one, stopping at the first
// that is not a usable LAS file of the list's one type. Keeps the accepted
// names, which are the ones the run then processes.
int16_t validate_list(std::FILE *list, const char *list_name, NameList &names) {
    int16_t LASTypeCheck = -1;
    std::string name;
    try {
        bool first = true;
        while (next_list_name(list, name)) {
            if (first && name.starts_with(kByteOrderMark)) {
                name.erase(0, kByteOrderMark.size());
                if (name.empty()) continue;
            }
            first = false;
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
        std::printf("\rProcessing file %s (%d / %d)%20s", korvane::shown(name).c_str(), index, count, " ");
    if (width - 1 > widest_progress) widest_progress = width - 1;
    flush_stdout();

    const FileReading r = accumulate_file(f.get(), LASType, detailed, acc, header, block);
    if (r.failure != Failure::None) fail(r.failure, name);
    if (r.records_read < r.records_declared) {
        std::printf("\nWarning: %s holds %u of the %u point records declared in its header\n", korvane::shown(name).c_str(),
                    static_cast<unsigned>(r.records_read), static_cast<unsigned>(r.records_declared));
        flush_stdout();
    }
}

enum class ListLook { Text, LasData, CompressedLasData };

// Whether a would-be list file holds LAS data: the LASF signature, and a NUL
// byte within the 227 bytes of a public header, which no text list holds.
// LAZ files are LAS files whose point format identifier has bit 7 set. Only
// a regular file is looked at, so that a list read from a pipe loses nothing
// to the look.
ListLook look_at_list(const char *name) {
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name, opened);
    unsigned char head[korvane::kHeaderBytes];
    const std::size_t got = f ? std::fread(head, 1, sizeof head, f.get()) : 0;
    if (got < 4 || std::memcmp(head, "LASF", 4) != 0 || std::memchr(head, 0, got) == nullptr) return ListLook::Text;
    constexpr std::size_t format_at = offsetof(LAS12Header, PointDataFormatID);
    return got > format_at && (head[format_at] & 0x80) != 0 ? ListLook::CompressedLasData : ListLook::LasData;
}

// Validates a single LAS input and makes it the one name of the run.
int16_t validate_las_file(const char *input, NameList &names) {
    LAS12Header h{};
    const int16_t LASType = korvane::check_las_header(input, h);
    if (LASType == 0) {
        const char format[] = {static_cast<char>(digit(h.PointDataFormatID)), '\0'};
        const char version[] = {static_cast<char>(digit(h.VersionMajor)), '.', static_cast<char>(digit(h.VersionMinor)),
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
    const ListLook look = look_at_list(input);
    if (look == ListLook::CompressedLasData) fail(Failure::ListHoldsLazData, input);
    if (look == ListLook::LasData) fail(Failure::ListHoldsLasData, input);
    return validate_list(list.get(), input, names);
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
    if (answered_version(argc, argv)) {
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

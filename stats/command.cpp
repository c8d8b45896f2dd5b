#include "command.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Korvane_LiDAR.h"
#include "accumulate.hpp"
#include "las_io.hpp"
#include "report.hpp"

namespace pointsieve {

int globalArgc = 0;
char **globalArgv = nullptr;
const char _optionalArgsArray[3][3] = {"-h", "-d", "-s"};
int _nOptionalArguments = 0;
signed char _helpFlag = -1;
signed char _extendedSummaryFlag = -1;
signed char _saveFlag = -1;

using korvane::digit;

namespace {

[[noreturn]] void fail() {
    std::fflush(stdout);
    std::exit(-1);
}

bool read_header(const char *name, LAS12Header &h) {
    korvane::FilePtr f = korvane::open_file(name, "rb");
    unsigned char bytes[korvane::kHeaderBytes];
    if (!f || std::fread(bytes, 1, sizeof bytes, f.get()) != sizeof bytes) return false;
    h = korvane::decode_header(bytes);
    return true;
}

// Reads and validates the names of a list one by one, stopping at the first
// that is not a usable LAS file of the list's one type. Keeps the accepted
// names, which are the ones the run then processes.
int16_t validate_list(std::FILE *list, const char *list_name, std::vector<std::string> &names) {
    int16_t LASTypeCheck = -1;
    std::string name;
    while (next_list_name(list, name)) {
        const int16_t type = check_las(name.c_str());
        if (type < 1) {
            std::printf("%s (listed in %s) is not a valid LAS file\n", name.c_str(), list_name);
            fail();
        }
        if (names.empty()) {
            LASTypeCheck = type;
        } else if (type != LASTypeCheck) {
            std::printf("\nType of file %s differs from that of previous files in %s\n", name.c_str(), list_name);
            fail();
        }
        names.push_back(name);
    }
    if (names.empty()) {
        std::printf("\nFile %s contains no valid .las files\n", list_name);
        fail();
    }
    return LASTypeCheck;
}

// Whether a would-be list file holds LAS data: the LASF signature, and a NUL
// byte within the 227 bytes of a public header, which no text list holds.
// Only a regular file is looked at, so that a list read from a pipe loses
// nothing to the look.
bool holds_las_data(const char *name) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return false;
    korvane::FilePtr f = korvane::open_file(name, "rb");
    unsigned char head[korvane::kHeaderBytes];
    const std::size_t got = f ? std::fread(head, 1, sizeof head, f.get()) : 0;
    return got >= 4 && std::memcmp(head, "LASF", 4) == 0 && std::memchr(head, 0, got) != nullptr;
}

}  // namespace

void usage() {
    std::printf("\nUsage:\n");
    std::printf("Pointsieve -h\n");
    std::printf("Pointsieve <LAS File | ASCII List> <Options>\n");
    std::printf("          Options: -d Detailed Report\n");
    std::printf("                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n\n");
    credits();
}

void find_optionalArgs() {
    if (globalArgc < 2) return;
    int seen[3] = {0, 0, 0};
    for (int a = 1; a < globalArgc; ++a) {
        if (std::strcmp(globalArgv[a], _optionalArgsArray[0]) == 0) {
            ++seen[0];
            _helpFlag = 0;
        } else if (std::strcmp(globalArgv[a], _optionalArgsArray[1]) == 0) {
            ++seen[1];
            ++_nOptionalArguments;
            _extendedSummaryFlag = 0;
        } else if (std::strcmp(globalArgv[a], _optionalArgsArray[2]) == 0) {
            ++seen[2];
            ++_nOptionalArguments;
            _saveFlag = 0;
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (seen[k] > 1) {
            std::printf("\nMore than one %s arguments\n", _optionalArgsArray[k]);
            usage();
            fail();
        }
    }
}

signed short checkFileExtension(const char *filename, const char *extension) {
    const std::size_t n = std::strlen(filename);
    if (n <= 4) {
        std::printf("\nFile name (%s) is too short\n", filename);
        fail();
    }
    if (filename[n - 4] != '.') {
        std::printf("\nExtension of file %s should be preceeded by a dot (.)\n", filename);
        fail();
    }
    return std::strcmp(filename + n - 3, extension) == 0 ? 0 : -1;
}

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
    globalArgc = argc;
    globalArgv = argv;
    find_optionalArgs();

    // "Pointsieve -h" alone asks for the usage text.
    if (argc == 2 && _helpFlag == 0) {
        usage();
        return 0;
    }
    if (argc != _nOptionalArguments + 2) {
        std::printf("\nInvalid argument(s)\n");
        usage();
        fail();
    }

    const char *input = argv[1];
    const int LASFlag = checkFileExtension(input, "las");
    std::vector<std::string> names;
    int16_t LASType = -1;
    if (LASFlag == 0) {
        names.emplace_back(input);
        LASType = check_las(input);
        if (LASType == 0) {
            LAS12Header h{};
            if (read_header(input, h))
                std::printf("\nCannot handle point data format %c in las files of version %c.%c\n",
                            digit(h.PointDataFormatID), digit(h.VersionMajor), digit(h.VersionMinor));
        }
        if (LASType < 1) fail();
    } else {
        korvane::FilePtr list = korvane::open_file(input, "r");
        if (!list) {
            std::printf("\nCannot open input ASCII file %s for reading\n", input);
            fail();
        }
        if (holds_las_data(input)) {
            std::printf("\nFile %s is a LAS file, not a list of file names: LAS files are read only under names "
                        "ending in .las\n",
                        input);
            fail();
        }
        LASType = validate_list(list.get(), input, names);
    }
    const int LASCount = static_cast<int>(names.size());

    const auto beginTime = std::chrono::steady_clock::now();
    credits();

    RunDescription run{LASFlag != 0, LASCount, input, {}, LASType, LAS12Header{}, _extendedSummaryFlag == 0};
    Accumulator acc;
    std::vector<unsigned char> block;
    for (int k = 0; k < LASCount; ++k) {
        const std::string &name = names[static_cast<std::size_t>(k)];
        switch (accumulate_file(name, LASType, run.detailed, FileProgress{k + 1, LASCount}, acc, run.last_header,
                                block)) {
            case FileOutcome::Ok: break;
            case FileOutcome::CannotOpen:
                std::printf("\nCannot open binary file %s for reading\n\n", name.c_str());
                fail();
            case FileOutcome::CannotReadHeader:
            case FileOutcome::UnknownType:
                std::printf("\nCannot read header of file %s\n", name.c_str());
                fail();
        }
        run.last_name = name;
    }

    print_report(run, acc);
    if (_saveFlag == 0) {
        switch (save_stats_file(run, acc)) {
            case SaveOutcome::Ok: break;
            case SaveOutcome::CannotOpen:
                std::printf("\nCannot open ASCII file %s for writing\n", stats_file_name(run.input).c_str());
                fail();
            case SaveOutcome::CannotWrite:
                std::printf("\nCannot write ASCII file %s\n", stats_file_name(run.input).c_str());
                fail();
        }
    }

    const auto elapsed = std::chrono::steady_clock::now() - beginTime;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("\nElapsed time %.3f seconds\n", static_cast<double>(ms) / 1000.0);
    return 0;
}

}  // namespace pointsieve

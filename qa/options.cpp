// Reading the command line of Pointsieve-qa.
#include "options.hpp"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "process.hpp"
#include "program_identity.hpp"

namespace pointsieve::qa {

const char *const kUsage =
    "\nUsage:\n"
    "Pointsieve-qa --help | --version | --print-limits\n"
    "Pointsieve-qa [-d] [-j N] [-o OUTDIR] [--limits FILE] [--index FILE] [--shard K/N] [-l LIST] [TILE | FOLDER ...]\n"
    "Pointsieve-qa --combine [-o OUTDIR] [--limits FILE] [--index FILE] SHARD_OUTDIR ...\n"
    "          -d Save the detailed histograms in the statistics files\n"
    "          -j Read N tiles at once (default: the processors available)\n"
    "          -o Write the outputs into OUTDIR (default pointsieve-qa)\n"
    "          -l Audit the tiles named in LIST, one per line\n"
    "    --limits Read the limits of the checks from FILE\n"
    "     --index Expect the tiles named in FILE, one per line\n"
    "     --shard Audit the K-th of N slices of the tiles\n"
    "   --combine Combine the outputs of the shards into those of one run\n\n";

namespace {

using korvane::end_with_failure;
using korvane::printable_name;

[[noreturn]] void refuse_arguments(const char *format, const char *argument) {
    std::printf(format, printable_name(argument).c_str());
    print_usage(kUsage);
    end_with_failure();
}

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

}  // namespace

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
        } else if (word == "-j" || word == "-o" || word == "-l" || word == "--limits" || word == "--index" ||
                   word == "--shard") {
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
            } else if (word == "--index") {
                if (o.index) refuse_arguments("\nMore than one %s argument\n", "--index");
                o.index = value;
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
        refuse_arguments("\n%s takes only -o, --limits, --index and the shards' output folders\n", "--combine");
    if (o.inputs.empty()) {
        std::printf(o.combine ? "\nNo shard output folders given\n" : "\nNo tiles given\n");
        print_usage(kUsage);
        end_with_failure();
    }
    return o;
}

}  // namespace pointsieve::qa

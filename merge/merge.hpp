// Reading statistics files and folding them into one: the layout comes from
// the section table the statistics file is written by. Prints nothing; the
// driver prints every message.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "accumulate.hpp"
#include "sections.hpp"

namespace pointsieve {

// Every line a statistics file can hold, numbered in file order: the scalar
// lines first, then the bins of each section in the order they are scanned.
struct FileLine {
    int section;       // index into kSections, or -1 for a scalar line
    int index;         // the Scalar, or the bin
    int width;         // width of the value
    bool required;     // every statistics file holds it
};

struct KeyIndex {
    std::string keys;                                        // every key, back to back
    std::vector<std::uint32_t> key_ends;                     // where the key of each line ends in keys
    std::unordered_map<std::string_view, std::uint32_t> by_key;  // key -> line number
    std::vector<FileLine> lines;
    std::vector<std::uint32_t> next_required;  // first required line at or after each line; lines.size() if none
};

// The bin of one of the histograms an input carries whole (the return
// histograms and the classes), as the table shows them.
template <class Figures>
auto &input_bin(Figures &in, Histogram histogram, int bin) {
    switch (histogram) {
        case Histogram::ReturnNumber: return in.returns.by_return_number[static_cast<std::size_t>(bin)];
        case Histogram::NumberOfReturns: return in.returns.by_number_of_returns[static_cast<std::size_t>(bin)];
        default: return in.classes[static_cast<std::size_t>(bin)];
    }
}

// The keys of the statistics file, built from the section table.
KeyIndex build_key_index();

// The key of a line of the layout.
std::string_view key_of(const KeyIndex &index, std::uint32_t line);

enum class ReadOutcome {
    Ok,
    CannotOpen,
    CannotRead,     // a read error
    NotStatistics,  // the first line is no line of a statistics file, or a line is far too long
    UnknownKey,
    RepeatedKey,
    MisplacedKey,
    Malformed,      // a value that is not a number as the statistics file prints it
    Negative,       // a negative count
    MissingKey,     // a required key is absent
    CutShort,       // the file ends inside a line
    TooLarge,       // a count that takes a sum beyond 2^64 - 1
};

// Where reading a file stopped, and at which key.
struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Ok;
    long long line = 0;  // line number in the file, from 1
    std::string key;     // the key concerned
};

// The figures of one statistics file, as needed for its table row and for
// the merge.
struct InputFigures {
    ScalarTexts values;  // as printed; GPS texts empty when the keys are bare
    std::uint64_t total = 0;
    ReturnTables returns{};
    std::array<std::uint64_t, 256> classes{};
    bool detailed = false;  // holds Intensity lines
};

// The merged figures. Detailed histograms are summed straight into acc,
// whose large histograms must have been allocated.
struct MergedFigures {
    long long files = 0;
    ScalarTexts values;       // starts as a run that read nothing prints them
    bool gps_bare = true;     // every input so far had bare GPS keys
    bool gps_max_read = false;
    Accumulator acc;
    ReturnTables returns{};
    std::string detailed_name;  // an input with points and detailed histograms
    std::string plain_name;     // an input with points and none
};

// Starts a merge: the scalar texts of a run that read no file.
void start_merge(MergedFigures &merged);

// Reading state kept across files, so that no file allocates.
struct StatsReadBuffers {
    std::vector<char> buffer;
    std::vector<std::uint32_t> seen;  // lines of the current file, ascending
};

// Reads the statistics file f into in and adds its counts to merged (the
// detailed ones straight into merged.acc). A file that fails leaves merged
// partly summed; the merge then stops.
ReadResult read_stats(std::FILE *f, const KeyIndex &index, StatsReadBuffers &buffers, InputFigures &in, MergedFigures &merged);

// Folds the scalar values of a read input into merged, and notes whether it
// carries detailed histograms. False when inputs with and without them meet
// (merged.detailed_name and merged.plain_name then name one of each).
bool merge_scalars(const InputFigures &in, const std::string &name, MergedFigures &merged);

// Whether the merged figures hold detailed histograms.
inline bool merged_detailed(const MergedFigures &m) { return !m.detailed_name.empty(); }

// Compares two values as printed (optional minus, digits, point, the same
// number of decimals; or inf): -1, 0 or 1. A minus sign orders before no
// sign, so -0.00 comes before 0.00.
int compare_printed(std::string_view a, std::string_view b);


// The scalar texts of the merged figures, as the merged file and report print
// them.
ScalarTexts merged_texts(const MergedFigures &merged);

}  // namespace pointsieve

// The statistics run on one arbitrary file, with and without -d: check_las,
// then the per-file step, the console report and the statistics file, as the
// program runs them. The totals and histograms must be those of the whole
// records the file holds, up to the count its header declares.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "accumulate.hpp"
#include "file_util.hpp"
#include "fuzz_support.hpp"
#include "las_format.hpp"
#include "report.hpp"
#include "stats_file.hpp"

namespace {

using namespace pointsieve;

struct Expected {
    std::uint64_t count = 0;
    std::uint64_t bitfield[256] = {};
    std::uint64_t classification[256] = {};
    // The largest time printed is the largest that is a number, or 0 when
    // no time is.
    double minGPS = 100000000000.0, maxGPS = 0.0;
    bool timed = false;
};

// The figures worked out from the input bytes themselves, with the record
// size of the library's table and this target's own reading of which LASType
// codes carry a GPS time: 2, 4, 6 and 8.
Expected expected_from_bytes(const std::uint8_t *data, std::size_t size, int type) {
    Expected e;
    const bool gps = type == 2 || type == 4 || type == 6 || type == 8;
    const std::size_t record = korvane::las_type_info(type)->record_size;
    const std::uint64_t offset = fuzz::u32_at(data, size, 96);
    const std::uint64_t declared = fuzz::u32_at(data, size, 107);
    const std::uint64_t present = size > offset ? (size - offset) / record : 0;
    e.count = std::min(present, declared);
    for (std::uint64_t k = 0; k < e.count; ++k) {
        const std::uint8_t *p = data + offset + k * record;
        ++e.bitfield[p[14]];
        ++e.classification[p[15]];
        if (gps) {
            // Formats 1 and 3 both keep the GPS time right after the common 20 bytes.
            const double t = korvane::load_le<double>(p + 20);
            if (!std::isnan(t) && (!e.timed || t > e.maxGPS)) {
                e.maxGPS = t;
                e.timed = true;
            }
            if (t < e.minGPS) e.minGPS = t;
        }
    }
    return e;
}

bool same_double(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || a == b; }

std::uint64_t sum(const std::vector<std::uint64_t> &v) {
    std::uint64_t s = 0;
    for (std::uint64_t x : v) s += x;
    return s;
}

template <std::size_t N>
std::uint64_t sum(const std::array<std::uint64_t, N> &v) {
    std::uint64_t s = 0;
    for (std::uint64_t x : v) s += x;
    return s;
}

void run_once(const std::string &name, const std::uint8_t *data, std::size_t size, int16_t type, bool detailed,
              std::vector<unsigned char> &block) {
    // A fresh accumulator for every run, copied over one kept for the whole
    // session, so that its large histograms are not allocated again each time.
    static const Accumulator pristine = [] {
        Accumulator a;
        allocate_histograms(a);
        return a;
    }();
    static Accumulator acc;
    acc = pristine;
    LAS12Header header{};
    korvane::OpenOutcome opened;
    const korvane::FilePtr f = korvane::open_regular_file(name.c_str(), opened);
    fuzz::require(f != nullptr, "a file that check_las accepted does not open");
    const FileReading reading = accumulate_file(f.get(), type, detailed, acc, header, block);
    // check_las has seen a whole header, so the step must get through it.
    fuzz::require(reading.failure == Failure::None, "accumulate_file failed on a file that check_las accepted");
    fuzz::require(reading.records_read == acc.ReturnCount, "the records read are not the records counted");
    const LAS12Header from_bytes = korvane::decode_header(data);
    fuzz::require(std::memcmp(&header, &from_bytes, sizeof header) == 0, "the header handed back is not the file's");

    const Expected e = expected_from_bytes(data, size, type);
    fuzz::require(acc.ReturnCount == e.count, "the point total is not the number of whole records present");
    fuzz::require(std::equal(acc.BitfieldCount.begin(), acc.BitfieldCount.end(), e.bitfield),
                  "the return histograms differ from the records");
    fuzz::require(std::equal(acc.ClassificationCount.begin(), acc.ClassificationCount.end(), e.classification),
                  "the classification histogram differs from the records");
    fuzz::require(same_double(acc.minGPSTime, e.minGPS) && same_double(largest_gps_time(acc), e.maxGPS),
                  "the GPS range differs from the records");
    const std::uint64_t detail = detailed ? e.count : 0;
    fuzz::require(sum(acc.IntensityCount) == detail && sum(acc.ScanAngleRankCount) == detail &&
                      sum(acc.UserDataCount) == detail && sum(acc.PointSourceIDCount) == detail,
                  "the detailed histograms do not hold one entry per record");

    RunDescription run{false, 1, name, type, header, detailed, 0};
    print_report(run, acc);

    char *text = nullptr;
    std::size_t length = 0;
    std::FILE *out = open_memstream(&text, &length);
    fuzz::require(out != nullptr, "open_memstream failed");
    write_stats(out, run, acc);
    std::fclose(out);
    char first[64];
    std::snprintf(first, sizeof first, "TotalPoints %18.0f\n", static_cast<double>(e.count));
    fuzz::require(length >= std::strlen(first) && std::strncmp(text, first, std::strlen(first)) == 0,
                  "the statistics file does not start with the point total");
    std::free(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".las");
    static std::vector<unsigned char> block;
    file.write(data, size);
    const int16_t type = check_las(file.name().c_str());
    if (type < 1) return 0;  // the program stops here
    run_once(file.name(), data, size, type, false, block);
    run_once(file.name(), data, size, type, true, block);
    std::fflush(stdout);
    return 0;
}

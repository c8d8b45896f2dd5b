// The format reader on an arbitrary file, as the audit reads a tile: the
// header from the first 375 bytes; for a header without a problem, the
// VLRs and EVLRs, the coordinate system read both ways and its label, the
// point blocks to the end and a second reading of the records read. The
// input is also read as the text of a WKT record. Whatever the header
// claims (2^64 points, four billion VLRs, an EVLR of 2^64 bytes), the
// reader holds little more than the file and one block, and stops.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "crs.hpp"
#include "fuzz_support.hpp"
#include "las_header.hpp"
#include "point_blocks.hpp"
#include "vlrs.hpp"

namespace {

using namespace pointsieve::formats;

void check_crs(const CoordinateSystem &c) {
    // Only None has an empty label: a system without a code or a name is
    // "unknown".
    fuzz::require(crs_label(c).empty() == (c.source == CrsSource::None), "the label is empty for a system");
}

void check_vlrs(const VlrReading &v, std::size_t size) {
    fuzz::require(v.complete == v.problem.empty(), "the records are incomplete without a reason, or the reverse");
    std::uint64_t kept = 0;
    for (const Vlr &r : v.records) {
        fuzz::require(r.length <= size, "a record is longer than the file");
        fuzz::require(r.data.empty() || r.data.size() == r.length, "a payload kept is not the record's length");
        kept += r.data.size();
    }
    fuzz::require(kept <= size, "the payloads kept are more than the file");
}

// Reads the blocks to the end; the number of records read.
std::uint64_t read_blocks(PointBlocks &b, std::uint64_t declared, std::size_t size) {
    const unsigned char *records = nullptr;
    std::uint64_t read = 0;
    for (std::size_t n; (n = next_point_block(b, records)) > 0; read += n) {
        fuzz::require(b.compressed || n <= b.block_records, "a block holds more records than a block may");
        fuzz::require(b.compressed || records == b.buffer.data(), "a block is not in the buffer");
    }
    fuzz::require(!b.failed, "a read of the points failed on a regular file");
    fuzz::require(read <= declared, "more records were read than the header declares");
    const std::uint64_t present = size > b.first ? (size - b.first) / b.record_length : 0;
    fuzz::require(b.compressed || read <= present, "more records were read than the file holds");
    return read;
}

}  // namespace

// A hang is a finding after 5 s, an allocation of 8 MB or more at once
// another: both go ahead of the given arguments, where the same flag given
// on the command line overrides them.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static char timeout[] = "-timeout=5", malloc_limit[] = "-malloc_limit_mb=8";
    static std::vector<char *> args;
    args.assign(*argv, *argv + *argc + 1);  // with the null pointer that ends argv
    args.insert(args.begin() + 1, {timeout, malloc_limit});
    *argv = args.data();
    *argc += 2;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    check_crs(crs_from_wkt(std::string_view(reinterpret_cast<const char *>(data), size)));

    static const fuzz::ScratchFile file(".las");
    file.write(data, size);
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> f(std::fopen(file.name().c_str(), "rb"), &std::fclose);
    fuzz::require(f != nullptr, "the scratch file did not open");
    unsigned char bytes[kHeaderBytesMost];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, f.get());
    fuzz::require(got == std::min(size, sizeof bytes), "the header bytes were not read");
    const HeaderReading header = read_las_header(bytes, got);
    if (header.problem != HeaderProblem::None) {
        fuzz::require(!header_problem_text(header).empty(), "a problem has no words");
        return 0;
    }
    const LasHeader &h = header.header;
    fuzz::require(stale_legacy_counts(h) <= 6, "more than six legacy counts are stale");
    const std::string version = version_text(h);
    fuzz::require(version.size() >= 3 && version.size() <= 7 &&
                      version.find_first_not_of("0123456789.") == std::string::npos,
                  "the version is not two numbers");

    const VlrReading vlrs = read_vlrs(f.get(), h, size);
    check_vlrs(vlrs, size);
    check_crs(coordinate_system(vlrs.records, true));
    check_crs(coordinate_system(vlrs.records, false));

    static PointBlocks blocks;  // its buffer kept from one input to the next, as the audit keeps it
    // Chunks decoded two at once, and held whole below the fuzzer's limit
    // on one allocation.
    blocks.most_threads = 2;
    blocks.most_whole_chunk = std::uint64_t{4} << 20;
    std::string problem;
    const bool started = header.compressed
                             ? start_laz_blocks(blocks, f.get(), header, vlrs.records, size, problem)
                             : start_point_blocks(blocks, f.get(), header);
    fuzz::require(started || header.compressed, "the points of an uncompressed file cannot be read");
    fuzz::require(started || !problem.empty(), "a LAZ file is refused without a reason");
    if (!started) return 0;
    // Records are at most 65535 bytes: a block of 1 MB holds one at least
    // (LAZ records are handed out from the chunks decoded).
    fuzz::require(header.compressed || blocks.buffer.size() <= kBlockBytes, "the block buffer is larger than a block");
    const std::uint64_t declared = declared_records(h);
    const std::uint64_t records = read_blocks(blocks, declared, size);
    fuzz::require(restart_point_blocks(blocks, records), "the points cannot be read again");
    fuzz::require(read_blocks(blocks, records, size) == records, "a second reading found other records");
    return 0;
}

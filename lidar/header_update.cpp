// Recomputation of a LAS file's public header from its point records, in
// one sequential pass of large blocks. What update_header promises its
// callers is stated once, beside its declaration in Korvane_LiDAR.h.
#include "Korvane_LiDAR.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "file_util.hpp"
#include "las_format.hpp"
#include "messages.hpp"
#include "process.hpp"
#include "validation.hpp"

namespace {

using korvane::load_le;
using korvane::digit_character;
using korvane::end_with_failure;
using korvane::store_le;

// The largest count the header's 32-bit NumberOfPointReturns can state.
constexpr std::uint64_t kMaxRecordCount = 0xFFFFFFFFu;

// What the point pass gathers. The extremes start at the far ends of the
// 32-bit range, so that the first record sets both extremes of every axis.
// They mean nothing while the count is 0.
struct Tally {
    std::int32_t maxX = INT32_MIN;
    std::int32_t minX = INT32_MAX;
    std::int32_t maxY = INT32_MIN;
    std::int32_t minY = INT32_MAX;
    std::int32_t maxZ = INT32_MIN;
    std::int32_t minZ = INT32_MAX;
    std::uint64_t count = 0;
    // Indexed by the 3-bit return number; only 1 to 5 reach the header.
    std::uint64_t byReturnNumber[8] = {};
};

enum class PassOutcome { Ok, ReadFailed, TooManyRecords };

// Folds n records of one layout into the tally.
template <class Rec>
void tally_records(const unsigned char *p, std::size_t n, Tally &t) {
    using L = korvane::PointLayout<Rec>;
    std::int32_t maxX = t.maxX, minX = t.minX;
    std::int32_t maxY = t.maxY, minY = t.minY;
    std::int32_t maxZ = t.maxZ, minZ = t.minZ;
    // Four banks of counters, one per record in turn, so that a run of
    // records with the same return number does not wait on one counter.
    std::uint64_t banks[4][8] = {};
    for (std::size_t k = 0; k < n; ++k, p += L::size) {
        const std::int32_t x = load_le<std::int32_t>(p + L::x);
        const std::int32_t y = load_le<std::int32_t>(p + L::y);
        const std::int32_t z = load_le<std::int32_t>(p + L::z);
        maxX = std::max(maxX, x);
        minX = std::min(minX, x);
        maxY = std::max(maxY, y);
        minY = std::min(minY, y);
        maxZ = std::max(maxZ, z);
        minZ = std::min(minZ, z);
        ++banks[k & 3][p[L::bitfield] & 7u];
    }
    for (const auto &bank : banks)
        for (int r = 0; r < 8; ++r) t.byReturnNumber[r] += bank[r];
    t.maxX = maxX;
    t.minX = minX;
    t.maxY = maxY;
    t.minY = minY;
    t.maxZ = maxZ;
    t.minZ = minZ;
    t.count += n;
}

// Reads whole records of one layout from the current position to the end of
// the file, a block of about 1 MiB at a time. A final fragment shorter than
// a record is neither examined nor counted.
template <class Rec>
PassOutcome point_pass(std::FILE *f, Tally &t) {
    constexpr std::size_t record_size = sizeof(Rec);
    constexpr std::size_t block_records = korvane::block_bytes_for(record_size) / record_size;
    std::vector<unsigned char> block(block_records * record_size);
    for (;;) {
        const std::size_t got = std::fread(block.data(), record_size, block_records, f);
        tally_records<Rec>(block.data(), got, t);
        if (t.count > kMaxRecordCount) return PassOutcome::TooManyRecords;
        if (got < block_records) break;
    }
    return std::ferror(f) ? PassOutcome::ReadFailed : PassOutcome::Ok;
}

// Real coordinate of an integer extreme, with the header's own scale factor
// and offset.
double bound(double offset, double scale, std::int32_t extreme) {
    return offset + scale * static_cast<double>(extreme);
}

// Writes the gathered figures into the header image at their offsets; the
// other bytes of the image stay as they were read. A file without a whole
// record has nothing to bound, so it keeps the six bounds it had.
void fill_header_image(unsigned char *image, const LAS12Header &h, const Tally &t) {
    store_le<std::uint32_t>(image + offsetof(LAS12Header, NumberOfPointReturns),
                            static_cast<std::uint32_t>(t.count));
    for (std::size_t k = 0; k < 5; ++k)
        store_le<std::uint32_t>(image + offsetof(LAS12Header, NumberOfPointsByReturn) + 4 * k,
                                static_cast<std::uint32_t>(t.byReturnNumber[k + 1]));
    if (t.count == 0) return;
    store_le<double>(image + offsetof(LAS12Header, MaxX), bound(h.XOffset, h.XScaleFactor, t.maxX));
    store_le<double>(image + offsetof(LAS12Header, MinX), bound(h.XOffset, h.XScaleFactor, t.minX));
    store_le<double>(image + offsetof(LAS12Header, MaxY), bound(h.YOffset, h.YScaleFactor, t.maxY));
    store_le<double>(image + offsetof(LAS12Header, MinY), bound(h.YOffset, h.YScaleFactor, t.minY));
    store_le<double>(image + offsetof(LAS12Header, MaxZ), bound(h.ZOffset, h.ZScaleFactor, t.maxZ));
    store_le<double>(image + offsetof(LAS12Header, MinZ), bound(h.ZOffset, h.ZScaleFactor, t.minZ));
}

// Recomputes and rewrites the header of the LAS file of the given LASType
// open in f for reading and writing, at its start; filename names it in
// messages. Closes f. Returns only on success and ends the process with a
// message on any failure, having written nothing.
void update_open_file(korvane::FilePtr f, const char *filename, int16_t LASType) {
    unsigned char image[korvane::kHeaderBytes];
    if (std::fread(image, 1, sizeof image, f.get()) != sizeof image) {
        std::printf(korvane::kCannotReadHeader, korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    const LAS12Header h = korvane::decode_header(image);

    const korvane::LasTypeInfo *info = korvane::las_type_info(LASType);
    if (!info) {
        std::printf("\nCannot update header of file %s: version %c.%c files with point data format %c are not handled\n",
                    korvane::printable_name(filename).c_str(), digit_character(h.VersionMajor), digit_character(h.VersionMinor), digit_character(h.PointDataFormatID));
        end_with_failure();
    }

    // Refuse at once a file whose size alone shows more records than the
    // header can count; the pass checks again in case the file grows.
    const std::size_t record_size = info->record_size;
    const std::int64_t size = korvane::descriptor_size(f.get());
    if (size >= 0 && size < static_cast<std::int64_t>(korvane::kHeaderBytes)) {
        std::printf(korvane::kFileChanged, korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    const bool too_many = size > 0 && static_cast<unsigned long long>(size) > h.OffsetToData &&
                          (static_cast<unsigned long long>(size) - h.OffsetToData) / record_size > kMaxRecordCount;

    // The variable-length records between the header and the points are
    // skipped unread; an offset at or beyond the end leaves no records.
    Tally tally;
    PassOutcome outcome = too_many ? PassOutcome::TooManyRecords : PassOutcome::ReadFailed;
    if (!too_many && korvane::seek_to(f.get(), h.OffsetToData)) {
        try {
            korvane::with_record_type(LASType, [&](auto rec) { outcome = point_pass<decltype(rec)>(f.get(), tally); });
        } catch (const std::bad_alloc &) {
            std::printf("\nCannot allocate memory for storing a record of information from %s\n", korvane::printable_name(filename).c_str());
            end_with_failure();
        }
    }
    if (outcome == PassOutcome::TooManyRecords) {
        std::printf("\nFile %s holds more point records than its header can count\n", korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    if (outcome == PassOutcome::ReadFailed) {
        std::printf(korvane::kCannotReadPoints, korvane::printable_name(filename).c_str());
        end_with_failure();
    }

    unsigned char original[korvane::kHeaderBytes];
    std::memcpy(original, image, sizeof image);
    fill_header_image(image, h, tally);

    // The new header goes in one write. Nothing counts as updated unless all
    // 227 bytes were written, reached the storage device and the file was
    // closed without error; otherwise the bytes already written are put back,
    // so that the header is the old one or the new one, never a mix. A
    // file-size limit fails the write instead of ending the process.
    // A file that shrank during the call (truncated by another process) is
    // no longer the file the pass read: it must still hold what it held at
    // the start, and every record the new header counts.
    const std::int64_t now = korvane::descriptor_size(f.get());
    const std::uint64_t counted = tally.count == 0 ? korvane::kHeaderBytes : h.OffsetToData + tally.count * record_size;
    if (now < size || static_cast<std::uint64_t>(now) < counted) {
        std::printf(korvane::kFileChanged, korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    korvane::hold_file_size_signal();
    const std::size_t put = korvane::write_at(f.get(), 0, image, sizeof image);
    bool written = put == sizeof image && korvane::sync_to_storage(f.get());
    bool restored = true;
    if (!written) restored = korvane::write_at(f.get(), 0, original, put) == put;
    written = (std::fclose(f.release()) == 0) && written;
    korvane::release_file_size_signal();
    if (!written) {
        std::printf(restored ? "\nCannot write header of file %s\n"
                             : "\nCannot write header of file %s; the header may be partly rewritten\n",
                    korvane::printable_name(filename).c_str());
        end_with_failure();
    }

    std::printf("\rHeader of file %s has been updated    ", korvane::printable_name(filename).c_str());
    std::fflush(stdout);
}

}  // namespace

// Everything is decided through the one descriptor opened here: nothing is
// looked up by name twice, so a name swapped after the call began cannot
// point the rewrite at another file.
extern "C" void update_header(const char *filename) {
    korvane::OpenOutcome opened;
    korvane::FilePtr f = korvane::open_regular_file(filename, opened, true);
    const int error = errno;
    // A folder goes on to be refused as no LAS file (Windows opens none; a
    // POSIX system refuses to open one for writing).
    if (!f && opened == korvane::OpenOutcome::CannotOpen && error != EISDIR && !korvane::is_folder(filename)) {
        if (korvane::out_of_resources(error)) {
            korvane::report_out_of_resources(filename, error);
            end_with_failure();
        }
        // The messages check_las gives a missing file; a file that exists
        // but cannot be written gets the update's own.
        if (file_access(filename) < 0) {
            error_msg(1, filename);
            end_with_failure();
        }
        if (check_file_extension(filename, "las") < 0) end_with_failure();
        std::printf("\nCannot open binary file %s for header update\n\n", korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    if (check_file_extension(filename, "las") < 0) end_with_failure();

    // A folder, a FIFO or a device classifies as no LAS file at all.
    unsigned char image[korvane::kHeaderBytes];
    std::size_t got = 0;
    if (f) {
        // Unbuffered: the point pass reads large blocks itself.
        std::setvbuf(f.get(), nullptr, _IONBF, 0);
        got = std::fread(image, 1, sizeof image, f.get());
    }
    const korvane::HeaderClass c = korvane::classify_header(image, got);
    if (korvane::report_header_class(filename, c) < 0) end_with_failure();
    if (!korvane::seek_to(f.get(), 0)) {
        std::printf(korvane::kCannotReadHeader, korvane::printable_name(filename).c_str());
        end_with_failure();
    }
    update_open_file(std::move(f), filename, c.type);
}

// Reading one tile: its header and coordinate system, the statistics the
// Pointsieve command would save for its points, and the facts read from
// them, in one pass over its records.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tile.hpp"
#include "crs.hpp"
#include "file_util.hpp"
#include "header_box.hpp"
#include "point_blocks.hpp"
#include "stats_file.hpp"
#include "tile_row.hpp"
#include "tile_stamp.hpp"
#include "vlrs.hpp"

namespace pointsieve::qa {

const char *status_word(Status s) {
    switch (s) {
        case Status::Ok: return "ok";
        case Status::Truncated: return "truncated";
        case Status::Refused: return "refused";
        case Status::Compressed: return "compressed";
        case Status::Unreadable: return "unreadable";
    }
    return "";
}

const std::array<const char *, kFactColumns> kColumnNames{
    "tile", "status", "reason", "las_version", "point_format", "declared", "read", "stats",
    "x_min", "x_max", "y_min", "y_max", "z_min", "z_max", "outside_header_box", "header_returns",
    "return_number_0", "number_of_returns_0", "return_above_number", "pulses", "class_0", "class_1", "withheld",
    "gps_encoding", "gps_min", "gps_max", "area", "density", "footprint", "digest",
    "crs", "crs_source", "horizontal_unit", "vertical_unit", "wkt_bit", "legacy_counts", "density_m2",
    "first_density_m2", "overlap", "scanner_channels", "extra_bytes", "compression", "file_bytes",
    "return_invalid", "records_beyond", "noise", "intensity_min", "intensity_max", "scan_angle_max", "source_id_0",
    "duplicate_points", "edge_z", "lines", "line_pairs", "interswath_dz", "void_percent", "void_cell"};

void add_detailed_sums(const TileReader &reader, Accumulator &acc) {
    if (reader.detailed) add_detailed_histograms(reader.sums, acc);
}

bool start_tile_reader(TileReader &reader, bool detailed, std::atomic<std::uint64_t> *bytes) {
    reader.detailed = detailed;
    reader.bytes = bytes;
    return !detailed ||
           (allocate_histograms(reader.acc) == Failure::None && allocate_histograms(reader.sums) == Failure::None);
}

namespace {

void reset(Accumulator &acc) {
    std::vector<std::uint64_t> intensity, source;
    intensity.swap(acc.IntensityCount);
    source.swap(acc.PointSourceIDCount);
    acc = Accumulator{};
    std::fill(intensity.begin(), intensity.end(), 0);
    std::fill(source.begin(), source.end(), 0);
    acc.IntensityCount.swap(intensity);
    acc.PointSourceIDCount.swap(source);
}

// The header's extents, as the statistics file gives them.
void fold_header_extents(const formats::LasHeader &h, Accumulator &acc) {
    LAS12Header box{};
    box.MinX = h.MinX, box.MaxX = h.MaxX, box.MinY = h.MinY, box.MaxY = h.MaxY, box.MinZ = h.MinZ, box.MaxZ = h.MaxZ;
    fold_extents(box, acc);
}

void set_unreadable(FactFields &f, const char *reason) {
    f[ColStatus] = status_word(Status::Unreadable);
    f[ColReason] = reason;
}

const char *error_text() { return std::strerror(errno != 0 ? errno : EIO); }

// A second reading of the first records, for a tile whose points leave the
// header's box. False when the file no longer holds them.
bool count_outside(formats::PointBlocks &blocks, std::uint64_t records, const BoxTest &box, std::uint64_t &outside) {
    outside = 0;
    if (!formats::restart_point_blocks(blocks, records)) return false;
    const unsigned char *p = nullptr;
    std::uint64_t seen = 0;
    for (std::size_t n; (n = formats::next_point_block(blocks, p)) > 0; seen += n)
        outside += outside_points(p, n, blocks.record_length, box);
    return !blocks.failed && seen == records;
}

// Writes the tile's statistics file as Pointsieve TILE -s [-d] writes it
// for a LAS 1.0 to 1.2 tile, and in the same keys, widened, for later ones.
bool write_tile_stats(const std::string &path, const ScalarTexts &texts, const Accumulator &acc,
                      const ReturnTables &returns, bool detailed, int &error) {
    korvane::FilePtr out = korvane::open_file(path.c_str(), "w");
    if (!out) {
        error = errno;
        return false;
    }
    write_stats(out.get(), texts, acc, returns, detailed);
    std::FILE *f = out.release();
    const bool ok = std::fflush(f) == 0 && !std::ferror(f);
    error = errno;
    const bool closed = std::fclose(f) == 0;
    if (ok && !closed) error = errno;
    return ok && closed;
}

}  // namespace

void read_tile(TileReader &r, const TileInput &tile, const std::string &outdir, TileOutcome &out) {
    FactFields &f = out.fields;
    for (std::string &field : f) field.clear();
    f[ColTile] = tile.name;
    korvane::OpenOutcome opened;
    errno = 0;
    const korvane::FilePtr file = korvane::open_regular_file(tile.name.c_str(), opened);
    if (!file) {
        if (opened == korvane::OpenOutcome::NotRegular) {
            f[ColStatus] = status_word(Status::Refused);
            f[ColReason] = "not a valid .las file";
        } else {
            set_unreadable(f, error_text());
        }
        return;
    }
    const Stamp before = stamp_of(file.get());
    unsigned char bytes[formats::kHeaderBytesMost];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    if (got < sizeof bytes && std::ferror(file.get())) {
        set_unreadable(f, error_text());
        return;
    }
    if (r.bytes) r.bytes->fetch_add(got, std::memory_order_relaxed);
    const formats::HeaderReading header = formats::read_las_header(bytes, got);
    const bool las = header.problem != formats::HeaderProblem::NotLas;
    if (las) set_header_fields(header, f);
    if (header.problem != formats::HeaderProblem::None) {
        f[ColStatus] = status_word(Status::Refused);
        f[ColReason] = formats::header_problem_text(header);
        if (!las && got == 0) f[ColReason] += " (empty file)";
        return;
    }
    const formats::LasHeader &h = header.header;
    const std::uint64_t declared = formats::declared_records(h);
    f[ColDeclared] = std::to_string(declared);

    // The coordinate system: the WKT record first where the format or the
    // header's bit says the system is WKT.
    const formats::VlrReading vlrs =
        formats::read_vlrs(file.get(), h, before.size > 0 ? static_cast<std::uint64_t>(before.size) : 0);
    const bool wkt_first = header.format >= 6 || (h.GlobalEncoding & formats::kWktCrs) != 0;
    const formats::CoordinateSystem crs = formats::coordinate_system(vlrs.records, wkt_first);

    reset(r.acc);
    fold_header_extents(h, r.acc);
    formats::PointBlocks &blocks = r.blocks;
    const BoxTest box = box_test(h);
    PointScan scan;
    start_point_scan(scan, declared);
    scan.lines = &r.lines;
    start_line_scan(r.lines, h, declared, scan.line_step);
    scan.edges = start_edge_strips(h);
    const std::uint64_t file_size = before.size > 0 ? static_cast<std::uint64_t>(before.size) : 0;
    f[ColCompression] = header.compressed ? "laz" : "";
    f[ColFileBytes] = std::to_string(file_size);
    if (header.compressed) {
        std::string problem;
        if (!formats::start_laz_blocks(blocks, file.get(), header, vlrs.records, file_size, problem)) {
            if (blocks.failed) {
                set_unreadable(f, error_text());
            } else {
                f[ColStatus] = status_word(Status::Refused);
                f[ColReason] = "LAZ: " + problem;
            }
            return;
        }
    } else if (!formats::start_point_blocks(blocks, file.get(), header)) {
        set_unreadable(f, error_text());
        return;
    }
    const unsigned char *p = nullptr;
    std::uint64_t records = 0;
    for (std::size_t n; (n = formats::next_point_block(blocks, p)) > 0; records += n) {
        scan_block(header.format, blocks.record_length, r.detailed, p, n, r.acc, scan);
        if (r.bytes) r.bytes->fetch_add(n * blocks.record_length, std::memory_order_relaxed);
    }
    if (blocks.failed) {
        set_unreadable(f, error_text());
        return;
    }
    std::uint64_t outside = 0;
    if (box.all_outside) {
        outside = records;
    } else if (records > 0 && !extents_inside(scan, box) && !count_outside(blocks, records, box, outside)) {
        set_unreadable(f, "the file changed while it was read");
        return;
    }
    if (!(stamp_of(file.get()) == before)) {
        set_unreadable(f, "the file changed while it was read");
        return;
    }
    const bool truncated = records < declared;
    f[ColStatus] = status_word(truncated ? Status::Truncated : Status::Ok);
    if (truncated) f[ColReason] = std::to_string(records) + " of " + std::to_string(declared) + " records";
    if (truncated && !blocks.damage.empty()) f[ColReason] += ": " + blocks.damage;
    f[ColRead] = std::to_string(records);
    // LAZ holds the records its chunks count, which add up to the header's.
    const std::uint64_t room = header.compressed ? 0 : formats::records_room(header, file_size);
    f[ColRecordsBeyond] = std::to_string(room > declared ? room - declared : 0);
    f[ColStats] = tile.stats;
    const TileLines lines =
        finish_line_scan(r.lines, h, records, r.detailed ? r.acc.PointSourceIDCount.data() : nullptr);
    const TileRead read{&header,   &crs,    formats::has_wkt_record(vlrs.records),
                        &r.acc,    &scan,   &lines,
                        records,   outside, truncated,
                        repeated_points(scan, records)};
    set_point_fields(read, f);

    const bool gps = formats::kPointFormats[header.format].gps_time >= 0;
    InputFigures &in = out.figures;
    in.values = scalar_texts(r.acc, gps);
    in.returns = tile_return_tables(header.format, r.acc);
    int error = 0;
    if (!write_tile_stats(outdir + "/" + tile.stats, in.values, r.acc, in.returns, r.detailed, error)) {
        out.write_failed = true;
        out.write_errno = error;
    }
    // What the merge would read back from the statistics file: its texts,
    // and the bins its lines hold (the return tables from 1 on).
    in.total = r.acc.ReturnCount;
    in.returns.by_return_number[0] = in.returns.by_number_of_returns[0] = 0;
    in.classes = r.acc.ClassificationCount;
    in.detailed = r.detailed && r.acc.ReturnCount > 0;
    if (r.detailed) add_detailed_histograms(r.acc, r.sums);
}

}  // namespace pointsieve::qa

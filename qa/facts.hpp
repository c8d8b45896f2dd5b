// A tile's row of tiles.csv up to the checks: its columns, the compact
// figures the checks judge it by, read back from the texts of the row, and
// the CSV field those texts are written as.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pointsieve::qa {

enum class Status { Ok, Truncated, Refused, Compressed, Unreadable };
const char *status_word(Status s);

// The columns of tiles.csv up to the first check, in order.
enum Column {
    ColTile, ColStatus, ColReason, ColVersion, ColFormat, ColDeclared, ColRead, ColStats,
    ColXMin, ColXMax, ColYMin, ColYMax, ColZMin, ColZMax, ColOutside, ColHeaderReturns,
    ColReturnNumber0, ColNumberOfReturns0, ColReturnAbove, ColPulses, ColClass0, ColClass1, ColWithheld,
    ColGpsEncoding, ColGpsMin, ColGpsMax, ColArea, ColDensity, ColFootprint, ColDigest,
    ColCrs, ColCrsSource, ColHorizontalUnit, ColVerticalUnit, ColWktBit, ColLegacyCounts, ColDensityM2,
    ColFirstDensityM2, ColOverlap, ColScannerChannels, ColExtraBytes, ColCompression, ColFileBytes,
    ColReturnInvalid, ColRecordsBeyond, ColNoise, ColIntensityMin, ColIntensityMax, ColScanAngleMax,
    ColSourceId0, ColDuplicatePoints, ColEdgeZ, ColLines, ColLinePairs, ColInterswath, ColVoidPercent, ColVoidCell,
    kFactColumns
};
extern const std::array<const char *, kFactColumns> kColumnNames;
using FactFields = std::array<std::string, kFactColumns>;

struct Facts {
    Status status = Status::Refused;
    bool read = false;           // ok or truncated
    std::uint64_t declared = 0, records = 0;
    bool has_points = false;
    double x_min = 0, x_max = 0, y_min = 0, y_max = 0, z_min = 0, z_max = 0;
    std::uint64_t outside = 0;
    int header_returns = -1;     // -1 not known, 0 equal, 1 differ
    std::uint64_t return_number_0 = 0, number_of_returns_0 = 0, return_above = 0;
    std::uint64_t class_0 = 0, class_1 = 0, withheld = 0;
    int gps_encoding = -1;       // -1 none, 0 week, 1 standard
    bool has_gps = false;
    double gps_min = 0, gps_max = 0;
    bool has_density = false;
    double density = 0;
    std::uint64_t digest = 0;
    // The LAS 1.3 and 1.4 facts.
    int minor = 0, format = 0;   // the version 1.minor and the point format
    std::uint64_t pulses = 0;    // first returns
    std::uint64_t overlap = 0;   // points flagged overlap (class 12 before format 6)
    bool has_density_m2 = false; // the horizontal unit is known
    double density_m2 = 0, first_density_m2 = 0;
    std::string crs;             // the coordinate system's label, empty when none
    bool wkt_record = false;     // the system came from an OGC WKT record
    int wkt_bit = -1;            // LAS 1.4: the global encoding's WKT bit; -1 before
    int legacy_counts = -1;      // LAS 1.4: stale legacy counts; -1 before
    // Points with return number 0, number of returns 0 or a return number
    // above it; records past the declared count; points of a noise class.
    std::uint64_t return_invalid = 0, records_beyond = 0, noise = 0;
    // The intensities' spread, the largest scan angle in degrees, points of
    // point source ID 0, and points repeating an earlier one's X, Y and Z.
    bool has_attributes = false;
    double intensity_spread = 0, scan_angle_max = 0;
    std::uint64_t source_id_0 = 0, duplicate_points = 0;
    // The heights at the sides of the header's box (west, east, south,
    // north), four lengths of each.
    std::array<double, 16> edge_z{};
    std::array<bool, 16> has_edge_z{};
    // The point source IDs the tile holds; the largest height difference
    // of two of them over the cells both cover; the share of its cells
    // that no point falls in.
    std::vector<std::uint16_t> lines;
    bool has_interswath = false, has_voids = false;
    double interswath = 0, void_percent = 0;
    bool gps_format = false;     // the point format holds GPS times
    bool misnamed = false;       // named .laz and not compressed, or the reverse
    bool operator==(const Facts &) const = default;
};

// The facts of a run's tiles. A tile known by its status alone (a name not
// found, a file refused before its header) costs four bytes, so that a
// million of them fit in a few megabytes; the others keep their facts.
struct FactsTable {
    std::vector<std::uint32_t> slot;  // per tile: its index in kept, or kBareFacts + its status
    std::vector<Facts> kept;
};
inline constexpr std::uint32_t kBareFacts = 0xFFFFFF00u;

void add_facts(FactsTable &t, const Facts &f);
const Facts &facts_at(const FactsTable &t, std::size_t k);
inline std::size_t facts_count(const FactsTable &t) { return t.slot.size(); }

// Reads the figures of a tile back from the texts of its row, so that a run
// and a combine of shards judge from the very same numbers.
Facts parse_facts(const FactFields &f);

// CSV: a field is quoted when it holds a comma, a quote, CR or LF.
void append_csv_field(std::string &row, const std::string &field);

}  // namespace pointsieve::qa

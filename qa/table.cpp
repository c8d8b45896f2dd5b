// The rows of tiles.csv: writing a field, and the figures of a tile as its
// row gives them.
#include <array>
#include <cstdlib>
#include <stdexcept>

#include "cells.hpp"
#include "facts.hpp"
#include "flight_lines.hpp"
#include "paths.hpp"

namespace pointsieve::qa {

void append_csv_field(std::string &row, const std::string &field) {
    // A text a spreadsheet would take as a formula goes after an apostrophe.
    const bool guarded = needs_guard(field);
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        if (guarded) row += '\'';
        row += field;
        return;
    }
    row += guarded ? "\"'" : "\"";
    for (const char c : field) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

namespace {

std::uint64_t count_of(const std::string &s) { return std::strtoull(s.c_str(), nullptr, 10); }
double number_of(const std::string &s) { return std::strtod(s.c_str(), nullptr); }

}  // namespace

Facts parse_facts(const FactFields &f) {
    Facts t;
    for (const Status s : {Status::Ok, Status::Truncated, Status::Refused, Status::Compressed, Status::Unreadable})
        if (f[ColStatus] == status_word(s)) t.status = s;
    t.read = t.status == Status::Ok || t.status == Status::Truncated;
    t.declared = count_of(f[ColDeclared]);
    t.records = count_of(f[ColRead]);
    t.has_points = t.read && !f[ColXMin].empty();
    if (t.has_points) {
        t.x_min = number_of(f[ColXMin]), t.x_max = number_of(f[ColXMax]);
        t.y_min = number_of(f[ColYMin]), t.y_max = number_of(f[ColYMax]);
        t.z_min = number_of(f[ColZMin]), t.z_max = number_of(f[ColZMax]);
    }
    t.outside = count_of(f[ColOutside]);
    t.header_returns = f[ColHeaderReturns] == "equal" ? 0 : (f[ColHeaderReturns] == "differ" ? 1 : -1);
    t.return_number_0 = count_of(f[ColReturnNumber0]);
    t.number_of_returns_0 = count_of(f[ColNumberOfReturns0]);
    t.return_above = count_of(f[ColReturnAbove]);
    t.class_0 = count_of(f[ColClass0]);
    t.class_1 = count_of(f[ColClass1]);
    t.withheld = count_of(f[ColWithheld]);
    t.gps_encoding = f[ColGpsEncoding] == "week" ? 0 : (f[ColGpsEncoding] == "standard" ? 1 : -1);
    t.has_gps = t.gps_encoding >= 0 && !f[ColGpsMin].empty();
    if (t.has_gps) t.gps_min = number_of(f[ColGpsMin]), t.gps_max = number_of(f[ColGpsMax]);
    t.has_density = !f[ColDensity].empty();
    if (t.has_density) t.density = number_of(f[ColDensity]);
    t.digest = std::strtoull(f[ColDigest].c_str(), nullptr, 16);
    t.minor = f[ColVersion].size() == 3 ? f[ColVersion][2] - '0' : 0;
    t.format = static_cast<int>(count_of(f[ColFormat]));
    t.pulses = count_of(f[ColPulses]);
    t.overlap = count_of(f[ColOverlap]);
    t.has_density_m2 = !f[ColDensityM2].empty();
    if (t.has_density_m2) t.density_m2 = number_of(f[ColDensityM2]), t.first_density_m2 = number_of(f[ColFirstDensityM2]);
    t.crs = f[ColCrs];
    t.wkt_record = f[ColCrsSource] == "wkt";
    t.wkt_bit = f[ColWktBit].empty() ? -1 : f[ColWktBit] == "1";
    t.legacy_counts = f[ColLegacyCounts].empty() ? -1 : static_cast<int>(count_of(f[ColLegacyCounts]));
    t.return_invalid = count_of(f[ColReturnInvalid]);
    t.records_beyond = count_of(f[ColRecordsBeyond]);
    t.noise = count_of(f[ColNoise]);
    t.has_attributes = !f[ColIntensityMin].empty();
    if (t.has_attributes) {
        t.intensity_spread = number_of(f[ColIntensityMax]) - number_of(f[ColIntensityMin]);
        t.scan_angle_max = number_of(f[ColScanAngleMax]);
    }
    t.source_id_0 = count_of(f[ColSourceId0]);
    t.duplicate_points = count_of(f[ColDuplicatePoints]);
    const std::string &edges = f[ColEdgeZ];
    for (std::size_t k = 0, at = 0; k < t.edge_z.size() && at < edges.size(); ++k) {
        const std::size_t end = std::min(edges.find_first_of(",;", at), edges.size());
        t.has_edge_z[k] = end > at;
        if (t.has_edge_z[k]) t.edge_z[k] = number_of(edges.substr(at, end - at));
        at = end + 1;
    }
    t.lines = line_sources(f[ColLines]);
    t.has_interswath = !f[ColInterswath].empty();
    if (t.has_interswath) t.interswath = number_of(f[ColInterswath]);
    t.has_voids = !f[ColVoidPercent].empty();
    if (t.has_voids) t.void_percent = number_of(f[ColVoidPercent]);
    t.gps_format = !f[ColGpsEncoding].empty();
    const bool compressed = !f[ColCompression].empty();
    t.misnamed = t.read && (ends_with_ci(f[ColTile], ".laz") ? !compressed : ends_with_ci(f[ColTile], ".las") && compressed);
    return t;
}

namespace {

constexpr std::size_t kStatuses = 5;

// The facts of a tile known by its status alone, one for each status.
const std::array<Facts, kStatuses> &bare_facts() {
    static const std::array<Facts, kStatuses> bare = [] {
        std::array<Facts, kStatuses> b;
        for (std::size_t s = 0; s < kStatuses; ++s) b[s].status = static_cast<Status>(s);
        return b;
    }();
    return bare;
}

}  // namespace

void add_facts(FactsTable &t, const Facts &f) {
    const auto status = static_cast<std::size_t>(f.status);
    if (status < kStatuses && f == bare_facts()[status]) {
        t.slot.push_back(kBareFacts + static_cast<std::uint32_t>(status));
        return;
    }
    if (t.kept.size() >= kBareFacts) throw std::length_error("more tiles than a run holds");
    t.slot.push_back(static_cast<std::uint32_t>(t.kept.size()));
    t.kept.push_back(f);
}

const Facts &facts_at(const FactsTable &t, std::size_t k) {
    const std::uint32_t slot = t.slot[k];
    return slot >= kBareFacts ? bare_facts()[slot - kBareFacts] : t.kept[slot];
}

}  // namespace pointsieve::qa

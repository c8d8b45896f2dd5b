// A read tile's row: counts from its histograms, extents from its points'
// integers, density in the units of its coordinate system.
#include "tile_row.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cells.hpp"
#include "sections.hpp"

namespace pointsieve::qa {

namespace {

std::string printed(const char *format, double v) {
    char text[400];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string count_text(std::uint64_t n) { return std::to_string(n); }

// Decimals that show every digit a coordinate of this scale and offset holds.
int decimals_for(double scale, double offset) {
    int best = 0;
    for (const double v : {scale, offset}) {
        if (!std::isfinite(v)) continue;
        int d = 0;
        for (double p = 1; d < 12; ++d, p *= 10) {
            const double x = std::fabs(v) * p;
            if (std::fabs(x - std::nearbyint(x)) <= 1e-9 * std::max(1.0, x)) break;
        }
        best = std::max(best, d);
    }
    return best;
}

// v with `decimals` decimals, as "%.*f" prints it, appended to text.
void append_fixed(std::string &text, double v, int decimals) {
    char number[400];
    const std::to_chars_result r = std::to_chars(number, number + sizeof number, v, std::chars_format::fixed, decimals);
    text.append(number, r.ec == std::errc{} ? r.ptr : number);
}

std::string coordinate_text(double offset, double scale, std::int32_t v, int decimals) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, offset + scale * static_cast<double>(v));
    return text;
}

// Counts of the return fields: return number and number of returns of
// each bitfield bin, 3-bit fields in formats 0 to 5 and 4-bit in 6 to 10.
void set_return_fields(const TileRead &t, FactFields &f) {
    const Accumulator &acc = *t.acc;
    const bool extended = t.header->format >= 6;
    std::uint64_t rn0 = 0, nr0 = 0, above = 0, pulses = 0, invalid = 0;
    std::array<std::uint64_t, 16> by_return{};
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint64_t n = acc.BitfieldCount[b];
        const unsigned rn = extended ? b & 15u : b & 7u, nr = extended ? b >> 4 : (b >> 3) & 7u;
        rn0 += rn == 0 ? n : 0;
        nr0 += nr == 0 ? n : 0;
        above += rn > nr ? n : 0;
        invalid += rn == 0 || nr == 0 || rn > nr ? n : 0;
        pulses += rn == 1 ? n : 0;
        by_return[rn] += n;
    }
    const std::array<std::uint64_t, 15> declared = formats::declared_by_return(t.header->header);
    // Before LAS 1.4 the header counts returns 1 to 5 only.
    const std::size_t compared = t.header->header.VersionMinor >= 4 ? declared.size() : 5;
    bool equal = true;
    for (std::size_t k = 0; k < compared; ++k) equal = equal && by_return[k + 1] == declared[k];
    f[ColHeaderReturns] = t.truncated ? "" : (equal ? "equal" : "differ");
    f[ColReturnNumber0] = count_text(rn0);
    f[ColNumberOfReturns0] = count_text(nr0);
    f[ColReturnAbove] = count_text(above);
    f[ColReturnInvalid] = count_text(invalid);
    f[ColPulses] = count_text(pulses);
}

// Class counts: the low five bits of the class byte and its withheld flag
// in formats 0 to 5 (class 12 marks overlap), the 8-bit class and the
// flags byte in formats 6 to 10.
void set_class_fields(const TileRead &t, FactFields &f) {
    const Accumulator &acc = *t.acc;
    const bool extended = t.header->format >= 6;
    std::uint64_t class0 = 0, class1 = 0, withheld = 0, overlap = 0, noise = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint64_t n = acc.ClassificationCount[b];
        const unsigned c = extended ? b : b & 31u;
        class0 += c == 0 ? n : 0;
        class1 += c == 1 ? n : 0;
        noise += c == 7 || (extended && c == 18) ? n : 0;  // low noise; high noise in LAS 1.4
        if (!extended) withheld += (b & 128u) != 0 ? n : 0, overlap += c == 12 ? n : 0;
    }
    if (extended) {
        std::array<std::uint64_t, 4> channels{};
        for (unsigned b = 0; b < 256; ++b) {
            const std::uint64_t n = t.scan->flags[b];
            withheld += (b & formats::extended::kWithheld) != 0 ? n : 0;
            overlap += (b & formats::extended::kOverlap) != 0 ? n : 0;
            channels[(b >> formats::extended::kScannerChannelShift) & 3u] += n;
        }
        std::string present;
        for (std::size_t c = 0; c < channels.size(); ++c) {
            if (channels[c] == 0) continue;
            if (!present.empty()) present += ';';
            present += static_cast<char>('0' + c);
        }
        f[ColScannerChannels] = present;
    }
    f[ColClass0] = count_text(class0);
    f[ColClass1] = count_text(class1);
    f[ColWithheld] = count_text(withheld);
    f[ColOverlap] = count_text(overlap);
    f[ColNoise] = count_text(noise);
}

void set_crs_fields(const TileRead &t, FactFields &f) {
    const formats::CoordinateSystem &c = *t.crs;
    f[ColCrs] = utf8_text(formats::crs_label(c));
    f[ColCrsSource] = c.source == formats::CrsSource::Wkt ? "wkt" : c.source == formats::CrsSource::GeoTiff ? "geotiff" : "";
    f[ColHorizontalUnit] = utf8_text(c.horizontal_unit);
    f[ColVerticalUnit] = utf8_text(c.vertical_unit);
    const formats::LasHeader &h = t.header->header;
    if (h.VersionMinor >= 4) {
        f[ColWktBit] = (h.GlobalEncoding & formats::kWktCrs) != 0 ? "1" : "0";
        f[ColLegacyCounts] = count_text(formats::stale_legacy_counts(h));
    }
}

// A line: "SOURCE POINTS CELLS", and where its points were visited their
// extents, and GPS range where the format holds times; lines ';'-separated.
// A pair: "A B CELLS DZ". The interswath figure is the largest difference
// of a pair over enough cells.
void set_line_fields(const TileRead &t, FactFields &f) {
    const formats::LasHeader &h = t.header->header;
    const int dx = decimals_for(h.XScaleFactor, h.XOffset), dy = decimals_for(h.YScaleFactor, h.YOffset);
    const int dz = decimals_for(h.ZScaleFactor, h.ZOffset);
    const bool gps = formats::kPointFormats[t.header->format].gps_time >= 0;
    std::string &lines = f[ColLines];
    for (const TileLine &l : t.lines->lines) {
        if (!lines.empty()) lines += ';';
        lines += count_text(l.source) + ' ' + count_text(l.points) + ' ' + count_text(l.cells);
        if (!l.visited) continue;
        const double offsets[3] = {h.XOffset, h.YOffset, h.ZOffset};
        const double scales[3] = {h.XScaleFactor, h.YScaleFactor, h.ZScaleFactor};
        const int decimals[3] = {dx, dy, dz};
        for (int k = 0; k < 3; ++k) {
            for (const std::int32_t v : {l.min[k], l.max[k]}) {
                lines += ' ';
                append_fixed(lines, offsets[k] + scales[k] * static_cast<double>(v), decimals[k]);
            }
        }
        if (gps && l.gps_min <= l.gps_max) {
            for (const double time : {l.gps_min, l.gps_max}) {
                lines += ' ';
                append_fixed(lines, time, 6);
            }
        }
    }
    double worst = -1;
    for (const TilePair &p : t.lines->pairs) {
        if (!f[ColLinePairs].empty()) f[ColLinePairs] += ';';
        f[ColLinePairs] += count_text(p.a) + ' ' + count_text(p.b) + ' ' + count_text(p.shared) + ' ' + printed("%.3f", p.dz);
        if (p.shared >= kFewestSharedCells) worst = std::max(worst, std::fabs(p.dz));
    }
    if (worst >= 0) f[ColInterswath] = printed("%.3f", worst);
    if (t.lines->has_voids) {
        f[ColVoidPercent] = printed("%.2f", t.lines->void_percent);
        f[ColVoidCell] = printed("%.6g", t.lines->void_cell);
    }
}

}  // namespace

void set_header_fields(const formats::HeaderReading &h, FactFields &f) {
    f[ColVersion] = formats::version_text(h.header);
    f[ColFormat] = std::to_string(h.format);
}

void set_point_fields(const TileRead &t, FactFields &f) {
    const formats::LasHeader &h = t.header->header;
    const Accumulator &acc = *t.acc;
    const PointScan &s = *t.scan;
    f[ColOutside] = count_text(t.outside);
    f[ColExtraBytes] = count_text(h.PointDataRecordLength - formats::kPointFormats[t.header->format].size);
    set_return_fields(t, f);
    set_class_fields(t, f);
    set_crs_fields(t, f);
    const bool gps = formats::kPointFormats[t.header->format].gps_time >= 0;
    if (gps) f[ColGpsEncoding] = h.VersionMinor >= 2 && (h.GlobalEncoding & formats::kStandardGpsTime) ? "standard" : "week";
    // Counted among every attribute_step-th point: scaled to the tile's.
    const std::uint64_t zero_sources =
        s.attribute_step == 1 || s.attribute_points == 0
            ? s.source_zero
            : static_cast<std::uint64_t>(std::llround(static_cast<double>(s.source_zero) * static_cast<double>(t.records) /
                                                      static_cast<double>(s.attribute_points)));
    f[ColSourceId0] = count_text(zero_sources);
    f[ColDuplicatePoints] = count_text(t.repeated);
    if (t.records == 0) return;
    f[ColIntensityMin] = count_text(static_cast<std::uint64_t>(s.intensity_min));
    f[ColIntensityMax] = count_text(static_cast<std::uint64_t>(s.intensity_max));
    // Whole degrees before point format 6; steps of 0.006 degrees in it.
    char angle[32];
    if (t.header->format >= 6)
        std::snprintf(angle, sizeof angle, "%.3f", 0.006 * s.angle_max);
    else
        std::snprintf(angle, sizeof angle, "%d", static_cast<int>(s.angle_max));
    f[ColScanAngleMax] = angle;
    f[ColEdgeZ] = edge_heights_text(s.edges, h);
    set_line_fields(t, f);
    if (gps && acc.minGPSTime <= largest_gps_time(acc)) {
        f[ColGpsMin] = printed("%.6f", acc.minGPSTime);
        f[ColGpsMax] = printed("%.6f", largest_gps_time(acc));
    }
    const int dx = decimals_for(h.XScaleFactor, h.XOffset), dy = decimals_for(h.YScaleFactor, h.YOffset);
    const int dz = decimals_for(h.ZScaleFactor, h.ZOffset);
    f[ColXMin] = coordinate_text(h.XOffset, h.XScaleFactor, s.min[0], dx);
    f[ColXMax] = coordinate_text(h.XOffset, h.XScaleFactor, s.max[0], dx);
    f[ColYMin] = coordinate_text(h.YOffset, h.YScaleFactor, s.min[1], dy);
    f[ColYMax] = coordinate_text(h.YOffset, h.YScaleFactor, s.max[1], dy);
    f[ColZMin] = coordinate_text(h.ZOffset, h.ZScaleFactor, s.min[2], dz);
    f[ColZMax] = coordinate_text(h.ZOffset, h.ZScaleFactor, s.max[2], dz);
    const double width = std::strtod(f[ColXMax].c_str(), nullptr) - std::strtod(f[ColXMin].c_str(), nullptr);
    const double height = std::strtod(f[ColYMax].c_str(), nullptr) - std::strtod(f[ColYMin].c_str(), nullptr);
    const double area = width * height;
    f[ColArea] = printed("%.9g", area);
    if (area > 0) {
        f[ColDensity] = printed("%.6g", static_cast<double>(t.records) / area);
        const double metres = t.crs->horizontal_metres;
        if (metres > 0) {
            const double square_metres = area * metres * metres;
            const double first = std::strtod(f[ColPulses].c_str(), nullptr);
            f[ColDensityM2] = printed("%.6g", static_cast<double>(t.records) / square_metres);
            f[ColFirstDensityM2] = printed("%.6g", first / square_metres);
        }
    }
    f[ColFootprint] = "POLYGON((" + f[ColXMin] + " " + f[ColYMin] + "," + f[ColXMax] + " " + f[ColYMin] + "," +
                      f[ColXMax] + " " + f[ColYMax] + "," + f[ColXMin] + " " + f[ColYMax] + "," + f[ColXMin] +
                      " " + f[ColYMin] + "))";
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx",
                  static_cast<unsigned long long>(digest_value(s.digest_sum, t.records)));
    f[ColDigest] = digest;
}

}  // namespace pointsieve::qa

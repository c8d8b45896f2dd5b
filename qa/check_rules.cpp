// Each check's rule: the figure a tile is judged by, from its facts and
// the delivery's, and whether the check applies to it at all.
#include "check_rules.hpp"

#include <algorithm>
#include <cmath>

namespace pointsieve::qa::rules {

namespace {

constexpr double kWeekSeconds = 604800.0;
constexpr double kDaySeconds = 86400.0;

// A tile whose points can be counted in shares.
bool counted(const Facts &t) { return t.read && t.records > 0; }

double share(std::uint64_t part, const Facts &t) {
    return 100.0 * static_cast<double>(part) / static_cast<double>(t.records);
}

}  // namespace

bool readable(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.read ? 0 : 1;
    return true;
}

bool expected(const CheckInput &in, std::size_t, double &v) {
    if (!in.delivery.has_index) return false;
    v = in.delivery.unexpected[in.k];
    return true;
}

bool file_name(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.misnamed ? 1 : 0;
    return in.tile.read;
}

// 0: records declared and missing; 1: records past the declared count.
bool complete(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    if (which == 1)
        v = static_cast<double>(t.records_beyond);
    else
        v = static_cast<double>(t.declared > t.records ? t.declared - t.records : 0);
    return t.read;
}

bool points(const CheckInput &in, std::size_t, double &v) {
    v = static_cast<double>(in.tile.records);
    return in.tile.read;
}

bool header_box(const CheckInput &in, std::size_t, double &v) {
    v = static_cast<double>(in.tile.outside);
    return counted(in.tile);
}

bool header_returns(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.header_returns == 1 ? 1 : 0;
    return in.tile.read && in.tile.header_returns >= 0;
}

bool return_numbers(const CheckInput &in, std::size_t, double &v) {
    const Facts &t = in.tile;
    v = static_cast<double>(t.return_invalid);
    return counted(t);
}

bool never_classified(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.class_0, in.tile);
    return true;
}

bool unclassified(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.class_1, in.tile);
    return true;
}

bool withheld(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.withheld, in.tile);
    return true;
}

// 0: against the delivery's median, 1: the absolute floor in the data's
// units, 2 and 3: floors of points and of first returns per square metre.
bool density(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    const Delivery &d = in.delivery;
    if (!t.has_density) return false;
    if (which == 2 || which == 3) {
        v = which == 2 ? t.density_m2 : t.first_density_m2;
        return t.has_density_m2;
    }
    if (which == 1) {
        v = t.density;
        return true;
    }
    if (!d.has_density || !(d.median_density > 0)) return false;
    v = t.density / d.median_density;
    return true;
}

// 0: the span against the delivery's median; 1: the span itself (a flat tile).
bool z_span(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    const Delivery &d = in.delivery;
    const double span = t.z_max - t.z_min;
    if (which == 1) {
        v = span;
        return t.has_points && t.records > 1;
    }
    if (!t.has_points || !d.has_z_span) return false;
    v = d.median_z_span > 0 ? span / d.median_z_span : (span > 0 ? HUGE_VAL : 1.0);
    return true;
}

// 0: week times within the week; 1: the time range near the delivery's,
// in standard time (week seconds say nothing of their week); 2: times that
// are no times (none a number, or every one 0).
bool gps_time(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    if (which == 2) {
        v = !t.has_gps || (t.gps_min == 0 && t.gps_max == 0) ? 1 : 0;
        return t.gps_format && counted(t);
    }
    if (!t.has_gps) return false;
    if (which == 0) {
        v = std::max({0.0, -t.gps_min, t.gps_max - kWeekSeconds});
        return t.gps_encoding == 0;
    }
    const std::size_t e = static_cast<std::size_t>(t.gps_encoding);
    if (e != 1 || !in.delivery.has_gps[e]) return false;
    const double m = in.delivery.median_gps[e];
    v = std::max({0.0, t.gps_min - m, m - t.gps_max}) / kDaySeconds;
    return true;
}

bool noise(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.noise, in.tile);
    return true;
}

bool duplicate(const CheckInput &in, std::size_t, double &v) {
    v = in.delivery.duplicates[in.k];
    return counted(in.tile);
}

bool duplicate_points(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.duplicate_points, in.tile);
    return true;
}

bool z_level(const CheckInput &in, std::size_t, double &v) {
    v = in.delivery.z_level[in.k];
    return !std::isnan(v);
}

bool voids(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.void_percent;
    return counted(in.tile) && in.tile.has_voids;
}

bool interswath(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.interswath;
    return counted(in.tile) && in.tile.has_interswath;
}

bool flight_lines(const CheckInput &in, std::size_t, double &v) {
    v = in.k < in.delivery.line_covered.size() ? in.delivery.line_covered[in.k] : std::nan("");
    return counted(in.tile) && !std::isnan(v);
}

bool intensity(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.intensity_spread;
    return counted(in.tile) && in.tile.has_attributes && in.tile.records > 1;
}

bool scan_angle(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.scan_angle_max;
    return counted(in.tile) && in.tile.has_attributes;
}

bool source_id(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.source_id_0, in.tile);
    return true;
}

// 0: the gap to the nearest tile, 1: the largest overlap.
bool position(const CheckInput &in, std::size_t which, double &v) {
    const Delivery &d = in.delivery;
    if (std::isnan(d.gap[in.k])) return false;
    if (which == 2) {
        v = d.off_grid[in.k];
        return !std::isnan(v);
    }
    v = which == 0 ? d.gap[in.k] : d.overlap[in.k];
    return true;
}

// 0: another system than the delivery's, or none; 1: a LAS 1.4 tile of
// formats 6 to 10 without a WKT record; 2: the global encoding's WKT bit
// against the record the system came from (the bit must be set for formats
// 6 to 10).
bool crs(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    if (!t.read) return false;
    if (which == 0) {
        v = t.crs.empty() || t.crs != in.delivery.common_crs ? 1 : 0;
        return true;
    }
    if (which == 1) {
        v = t.wkt_record ? 0 : 1;
        return t.minor >= 4 && t.format >= 6;
    }
    if (t.wkt_bit < 0) return false;
    v = (t.wkt_bit == 1 ? !t.wkt_record : t.format >= 6 || t.wkt_record) ? 1 : 0;
    return true;
}

// 0: the header's encoding against what the times look like (week times
// lie within a day of the week's bounds; adjusted standard times, counted
// from 2011, do not); 1: a LAS 1.4 tile in week time.
bool gps_encoding(const CheckInput &in, std::size_t which, double &v) {
    const Facts &t = in.tile;
    if (!t.has_gps) return false;
    if (which == 1) {
        v = t.gps_encoding == 0 ? 1 : 0;
        return t.minor >= 4;
    }
    if (which == 2) {
        v = t.gps_encoding != in.delivery.common_gps_encoding ? 1 : 0;
        return in.delivery.common_gps_encoding >= 0;
    }
    const bool week_like = t.gps_min >= -kDaySeconds && t.gps_max <= kWeekSeconds + kDaySeconds;
    v = (t.gps_encoding == 1) == week_like ? 1 : 0;
    return true;
}

bool header_counts(const CheckInput &in, std::size_t, double &v) {
    v = in.tile.legacy_counts;
    return in.tile.read && in.tile.legacy_counts >= 0;
}

bool overlap(const CheckInput &in, std::size_t, double &v) {
    if (!counted(in.tile)) return false;
    v = share(in.tile.overlap, in.tile);
    return true;
}

}  // namespace pointsieve::qa::rules

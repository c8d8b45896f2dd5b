// The checks of a tile: their limits, the figures of the delivery the
// relative checks compare with, and the verdicts.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "audit.hpp"
#include "file_util.hpp"
#include "process.hpp"

namespace pointsieve::qa {

const std::array<const char *, kCheckCount> kCheckNames{
    "readable", "complete", "points", "header_box", "header_returns", "return_numbers", "never_classified",
    "unclassified", "withheld", "density", "z_span", "gps_time", "duplicate", "position"};

namespace {

constexpr double kWeekSeconds = 604800.0;
constexpr double kDaySeconds = 86400.0;

const Criterion kDefaultCriteria[] = {
    {"readable", Readable, false, 0, 0, "1 when the tile could not be read (refused, compressed or unreadable)"},
    {"complete", Complete, false, 0, 0, "point records the header declares that the file does not hold"},
    {"points", Points, true, 1, 1, "point records read"},
    {"header_box", HeaderBox, false, 0, 0, "points outside the header's box by more than half a scale unit"},
    {"header_returns", HeaderReturns, false, 0, 0, "1 when the header's five by-return counts differ from the points'"},
    {"return_numbers", ReturnNumbers, false, 0, 0,
     "points with return number 0, number of returns 0, or return number above number of returns\n"
     "#   (the sum of the three counts: a point may count twice)"},
    {"never_classified", NeverClassified, false, 0, 1, "percent of the points left in class 0"},
    {"unclassified", Unclassified, false, 50, 90, "percent of the points in class 1 (unclassified)"},
    {"withheld", Withheld, false, 1, 10, "percent of the points with the withheld flag"},
    {"density_ratio", Density, true, 0.5, 0.25, "the tile's density as a fraction of the delivery's median density"},
    {"density_floor", Density, true, 0, 0,
     "points per square unit of the tile's X-Y box (0: off; set it in the units of the delivery)"},
    {"z_span", ZSpan, false, 5, 50, "the tile's Z span as a multiple of the delivery's median Z span"},
    {"gps_week", GpsTime, false, 0, 0, "seconds by which week times fall outside 0 to 604800"},
    {"gps_offset", GpsTime, false, 2, 6,
     "days between the tile's time range and the delivery's median time (tiles of the same encoding)"},
    {"duplicate", Duplicate, false, 0, 0, "other tiles holding the same point records"},
    {"position_gap", Position, false, 1, 5, "gap to the nearest other tile, in median tile sizes"},
    {"position_overlap", Position, false, 10, 50, "percent of the tile's X-Y box that another tile's box covers"},
};

std::string number_text(double v) {
    char text[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", v);
    else
        std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string limit_text(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

}  // namespace

Limits default_limits() {
    Limits l;
    l.criteria.assign(std::begin(kDefaultCriteria), std::end(kDefaultCriteria));
    l.criterion_off.assign(l.criteria.size(), false);
    return l;
}

void print_limits(std::FILE *out) {
    std::fprintf(out,
                 "# Limits of the checks of Pointsieve-qa. Each line: NAME LEVEL VALUE, LEVEL being\n"
                 "# warn, fail, or ignore (with VALUE 1 to switch a check or a criterion off, 0 to\n"
                 "# switch it back on). \"above\" flags a value greater than the limit, \"below\" a\n"
                 "# value smaller than it; a tile gets the worst verdict of its criteria. A limits\n"
                 "# file given with --limits overrides only the lines it holds.\n");
    for (const Criterion &c : kDefaultCriteria) {
        std::fprintf(out, "\n# %s (%s): %s\n", c.name, c.below ? "below" : "above", c.unit);
        std::fprintf(out, "%s warn %s\n%s fail %s\n", c.name, limit_text(c.warn).c_str(), c.name,
                     limit_text(c.fail).c_str());
    }
}

namespace {

[[noreturn]] void refuse_limits(const char *name, long line, const char *why, const std::string &word = {}) {
    std::printf("\nLimits file %s, line %ld: %s%s\n", korvane::printable_name(name).c_str(), line, why,
                korvane::printable_name(word).c_str());
    korvane::end_with_failure();
}

}  // namespace

bool read_limits(const char *name, Limits &limits) {
    const korvane::FilePtr f = korvane::open_file(name, "rb");
    if (!f) {
        std::printf("\nCannot open limits file %s: %s\n", korvane::printable_name(name).c_str(), std::strerror(errno));
        korvane::end_with_failure();
    }
    std::string line;
    long number = 0;
    for (bool more = true; more;) {
        line.clear();
        int c;
        while ((c = std::getc(f.get())) != EOF && c != '\n') line += static_cast<char>(c);
        more = c != EOF;
        if (!more && line.empty()) break;
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::vector<std::string> words;
        std::size_t at = 0;
        while (true) {
            at = line.find_first_not_of(" \t\r", at);
            if (at == std::string::npos) break;
            const std::size_t end = line.find_first_of(" \t\r", at);
            words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end;
        }
        if (words.empty()) continue;
        if (words.size() != 3) refuse_limits(name, number, "expected NAME LEVEL VALUE");
        const std::string &key = words[0], &level = words[1], &value = words[2];
        char *end = nullptr;
        errno = 0;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(v) || errno == ERANGE)
            refuse_limits(name, number, "the value is not a number: ", value);
        if (level != "warn" && level != "fail" && level != "ignore")
            refuse_limits(name, number, "the level must be warn, fail or ignore, not ", level);
        if (level == "ignore" && v != 0 && v != 1) refuse_limits(name, number, "ignore takes the value 1 or 0");
        bool known = false;
        for (std::size_t k = 0; k < limits.criteria.size(); ++k) {
            Criterion &criterion = limits.criteria[k];
            if (key == criterion.name) {
                known = true;
                if (level == "ignore")
                    limits.criterion_off[k] = v == 1;
                else
                    (level == "warn" ? criterion.warn : criterion.fail) = v;
            }
        }
        for (std::size_t k = 0; k < kCheckCount; ++k) {
            if (key != kCheckNames[k]) continue;
            if (level == "ignore") {
                limits.check_off[k] = v == 1;
                known = true;
            } else if (!known) {
                refuse_limits(name, number, "give the limits of this check by its criteria: ", key);
            }
        }
        if (!known) refuse_limits(name, number, "unknown check ", key);
    }
    if (std::ferror(f.get())) {
        std::printf("\nCannot read limits file %s\n", korvane::printable_name(name).c_str());
        korvane::end_with_failure();
    }
    return true;
}

namespace {

double median_of(std::vector<double> &v) {
    const std::size_t mid = (v.size() - 1) / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    return v[mid];
}

struct Box {
    double x0, x1, y0, y1;
};

double box_gap(const Box &a, const Box &b) {
    const double dx = std::max({0.0, b.x0 - a.x1, a.x0 - b.x1});
    const double dy = std::max({0.0, b.y0 - a.y1, a.y0 - b.y1});
    return std::hypot(dx, dy);
}

double box_overlap(const Box &a, const Box &b) {
    const double w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
    const double h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return w > 0 && h > 0 ? w * h : 0.0;
}

// Nearest-neighbour gaps and largest overlaps of the tiles' X-Y boxes,
// through a grid of cells of the median tile size: a tile meets only the
// tiles of its own and nearby cells, so that 100,000 tiles stay fast.
void place_tiles(const std::vector<Facts> &facts, double size, Delivery &d) {
    std::vector<std::uint32_t> placed;
    std::vector<Box> boxes(facts.size());
    double ox = std::numeric_limits<double>::infinity(), oy = ox;
    for (std::uint32_t k = 0; k < facts.size(); ++k) {
        const Facts &t = facts[k];
        if (!t.has_points) continue;
        boxes[k] = {t.x_min, t.x_max, t.y_min, t.y_max};
        placed.push_back(k);
        ox = std::min(ox, t.x_min), oy = std::min(oy, t.y_min);
    }
    if (placed.size() < 2 || !(size > 0) || !std::isfinite(ox) || !std::isfinite(oy)) return;
    constexpr double kFar = 4503599627370496.0;  // 2^52
    const auto cell = [&](double v, double origin) {
        return static_cast<std::int64_t>(std::clamp(std::floor((v - origin) / size), -kFar, kFar));
    };
    const auto key = [](std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(cy);
    };
    struct Cells {
        std::int64_t x0, x1, y0, y1;
    };
    std::vector<Cells> cells(facts.size());
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> grid;
    std::vector<std::uint32_t> big;  // tiles spanning too many cells to register
    std::vector<bool> is_big(facts.size(), false);
    constexpr std::int64_t kMostCells = 64;
    for (const std::uint32_t k : placed) {
        const Box &b = boxes[k];
        Cells &c = cells[k];
        c = {cell(b.x0, ox), cell(b.x1, ox), cell(b.y0, oy), cell(b.y1, oy)};
        if (c.x1 - c.x0 >= kMostCells || c.y1 - c.y0 >= kMostCells || (c.x1 - c.x0 + 1) * (c.y1 - c.y0 + 1) > kMostCells) {
            big.push_back(k);
            is_big[k] = true;
            continue;
        }
        for (std::int64_t x = c.x0; x <= c.x1; ++x)
            for (std::int64_t y = c.y0; y <= c.y1; ++y) grid[key(x, y)].push_back(k);
    }
    std::vector<std::uint32_t> seen(facts.size(), UINT32_MAX);
    for (const std::uint32_t a : placed) {
        const Box &ba = boxes[a];
        const double area = (ba.x1 - ba.x0) * (ba.y1 - ba.y0);
        double best = std::numeric_limits<double>::infinity(), overlap = 0;
        const auto meet = [&](std::uint32_t b) {
            if (b == a || seen[b] == a) return;
            seen[b] = a;
            best = std::min(best, box_gap(ba, boxes[b]));
            if (area > 0) overlap = std::max(overlap, box_overlap(ba, boxes[b]) / area);
        };
        // A tile that touches another and lies wholly under one can meet no
        // figure further: tiles stacked in one place stay linear.
        const auto settled = [&] { return best == 0 && (overlap >= 1 || !(area > 0)); };
        const auto meet_all = [&](const std::vector<std::uint32_t> &tiles) {
            for (const std::uint32_t b : tiles) {
                if (settled()) return;
                meet(b);
            }
        };
        if (is_big[a]) {
            meet_all(placed);
        } else {
            meet_all(big);
            const Cells &c = cells[a];
            // Ring 0 is the tile's own cells, ring r the cells at distance r
            // from them; a tile first met beyond ring r lies at least r
            // cells away.
            constexpr std::int64_t kRings = 3;
            bool exact = false;
            for (std::int64_t r = 0; r <= kRings && !exact; ++r) {
                for (std::int64_t x = c.x0 - r; x <= c.x1 + r; ++x) {
                    for (std::int64_t y = c.y0 - r; y <= c.y1 + r; ++y) {
                        const bool edge = r == 0 || x == c.x0 - r || x == c.x1 + r || y == c.y0 - r || y == c.y1 + r;
                        if (!edge) continue;
                        const auto found = grid.find(key(x, y));
                        if (found != grid.end()) meet_all(found->second);
                    }
                }
                exact = best <= static_cast<double>(r) * size;
            }
            if (!exact) meet_all(placed);
        }
        d.gap[a] = best / size;
        d.overlap[a] = overlap * 100.0;
    }
}

}  // namespace

Delivery judge_delivery(const std::vector<Facts> &facts) {
    Delivery d;
    std::vector<double> density, span, size;
    std::array<std::vector<double>, 2> gps;
    for (const Facts &t : facts) {
        if (!t.has_points) continue;
        if (t.has_density) density.push_back(t.density);
        span.push_back(t.z_max - t.z_min);
        size.push_back(std::max(t.x_max - t.x_min, t.y_max - t.y_min));
        if (t.has_gps) gps[static_cast<std::size_t>(t.gps_encoding)].push_back((t.gps_min + t.gps_max) / 2);
    }
    if ((d.has_density = !density.empty())) d.median_density = median_of(density);
    if ((d.has_z_span = !span.empty())) d.median_z_span = median_of(span);
    if ((d.has_size = !size.empty())) d.median_size = median_of(size);
    for (std::size_t e = 0; e < 2; ++e)
        if ((d.has_gps[e] = !gps[e].empty())) d.median_gps[e] = median_of(gps[e]);

    // Tiles with the same points: same digest and the same number of records.
    d.duplicate_of.assign(facts.size(), -1);
    d.duplicates.assign(facts.size(), 0);
    std::vector<std::uint32_t> order;
    for (std::uint32_t k = 0; k < facts.size(); ++k)
        if (facts[k].read && facts[k].records > 0) order.push_back(k);
    const auto same = [&](std::uint32_t a, std::uint32_t b) {
        return facts[a].digest == facts[b].digest && facts[a].records == facts[b].records;
    };
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (facts[a].digest != facts[b].digest) return facts[a].digest < facts[b].digest;
        if (facts[a].records != facts[b].records) return facts[a].records < facts[b].records;
        return a < b;
    });
    for (std::size_t g = 0; g < order.size();) {
        std::size_t e = g + 1;
        while (e < order.size() && same(order[g], order[e])) ++e;
        if (e - g > 1) {
            for (std::size_t k = g; k < e; ++k) {
                d.duplicates[order[k]] = static_cast<std::uint32_t>(e - g - 1);
                d.duplicate_of[order[k]] = order[k == g ? g + 1 : g];
            }
        }
        g = e;
    }

    d.gap.assign(facts.size(), std::numeric_limits<double>::quiet_NaN());
    d.overlap.assign(facts.size(), 0);
    if (d.has_size) place_tiles(facts, d.median_size, d);
    return d;
}

Judgement judge(const Limits &limits, const Delivery &d, const std::vector<Facts> &facts, const TileNames &names,
                std::size_t k, Check check) {
    const Facts &t = facts[k];
    Judgement j{Verdict::NotApplicable, {}, {}};
    if (limits.check_off[check]) return j;
    const bool counted = t.read && t.records > 0;
    const double records = static_cast<double>(t.records);
    // The measured value of each criterion of the check that applies.
    const auto measure = [&](const Criterion &c, double &v) -> bool {
        const std::string_view n = c.name;
        switch (check) {
            case Readable: v = t.read ? 0 : 1; return true;
            case Complete: v = static_cast<double>(t.declared > t.records ? t.declared - t.records : 0); return t.read;
            case Points: v = records; return t.read;
            case HeaderBox: v = static_cast<double>(t.outside); return counted;
            case HeaderReturns: v = t.header_returns == 1 ? 1 : 0; return t.read && t.header_returns >= 0;
            case ReturnNumbers:
                v = static_cast<double>(t.return_number_0 + t.number_of_returns_0 + t.return_above);
                return counted;
            case NeverClassified: v = 100.0 * static_cast<double>(t.class_0) / records; return counted;
            case Unclassified: v = 100.0 * static_cast<double>(t.class_1) / records; return counted;
            case Withheld: v = 100.0 * static_cast<double>(t.withheld) / records; return counted;
            case Density:
                if (!t.has_density) return false;
                if (n == "density_floor") {
                    v = t.density;
                    return true;
                }
                if (!d.has_density || !(d.median_density > 0)) return false;
                v = t.density / d.median_density;
                return true;
            case ZSpan: {
                if (!t.has_points || !d.has_z_span) return false;
                const double span = t.z_max - t.z_min;
                v = d.median_z_span > 0 ? span / d.median_z_span : (span > 0 ? HUGE_VAL : 1.0);
                return true;
            }
            case GpsTime: {
                if (!t.has_gps) return false;
                if (n == "gps_week") {
                    v = std::max({0.0, -t.gps_min, t.gps_max - kWeekSeconds});
                    return t.gps_encoding == 0;
                }
                const std::size_t e = static_cast<std::size_t>(t.gps_encoding);
                if (!d.has_gps[e]) return false;
                const double m = d.median_gps[e];
                v = std::max({0.0, t.gps_min - m, m - t.gps_max}) / kDaySeconds;
                return true;
            }
            case Duplicate: v = d.duplicates[k]; return counted;
            case Position:
                if (std::isnan(d.gap[k])) return false;
                v = n == "position_gap" ? d.gap[k] : d.overlap[k];
                return true;
            case kCheckCount: break;
        }
        return false;
    };
    int criteria_of_check = 0;
    for (const Criterion &c : limits.criteria) criteria_of_check += c.check == check;
    for (std::size_t ci = 0; ci < limits.criteria.size(); ++ci) {
        const Criterion &c = limits.criteria[ci];
        if (c.check != check || limits.criterion_off[ci]) continue;
        double v = 0;
        if (!measure(c, v)) continue;
        const auto crosses = [&](double limit) { return c.below ? v < limit : v > limit; };
        Verdict verdict = Verdict::Pass;
        double limit = 0;
        if (crosses(c.fail))
            verdict = Verdict::Fail, limit = c.fail;
        else if (crosses(c.warn))
            verdict = Verdict::Warn, limit = c.warn;
        const auto rank = [](Verdict x) {
            return x == Verdict::Fail ? 3 : x == Verdict::Warn ? 2 : x == Verdict::Pass ? 1 : 0;
        };
        if (rank(verdict) <= rank(j.verdict)) continue;
        j.verdict = verdict;
        if (verdict == Verdict::Pass) continue;
        if (check == Readable)
            j.value = status_word(t.status);
        else if (check == Duplicate)
            j.value = name_at(names, static_cast<std::size_t>(d.duplicate_of[k]));
        else
            j.value = number_text(v);
        j.limit = (criteria_of_check > 1 ? std::string(c.name) : std::string()) + (c.below ? "<" : ">") +
                  limit_text(limit);
    }
    return j;
}

}  // namespace pointsieve::qa

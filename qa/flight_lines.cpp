// The delivery's flight lines, folded from the tiles' rows and judged.
#include "flight_lines.hpp"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "check_table.hpp"
#include "line_scan.hpp"

namespace pointsieve::qa {

namespace {

// The number of text[0, n): a plain decimal of at most 15 digits is the
// quotient of two exact doubles, which one division rounds as strtod
// does; anything else goes to strtod.
double number_in(const char *text, std::size_t n) {
    std::uint64_t digits = 0;
    int count = 0, decimals = -1;
    const bool negative = n > 0 && text[0] == '-';
    for (std::size_t k = negative ? 1 : 0; k < n; ++k) {
        const char c = text[k];
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && count < 15) {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++count;
            if (decimals >= 0) ++decimals;
        } else {
            return std::strtod(std::string(text, n).c_str(), nullptr);
        }
    }
    static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (count == 0) return std::strtod(std::string(text, n).c_str(), nullptr);
    const double v = static_cast<double>(digits) / kPowers[decimals < 0 ? 0 : decimals];
    return negative ? -v : v;
}

// The numbers of one ';'-separated part of a field, split at spaces; of
// its first `most` numbers only.
std::vector<double> numbers_of(const std::string &field, std::size_t &at, std::size_t most = SIZE_MAX) {
    std::vector<double> v;
    const std::size_t end = std::min(field.find(';', at), field.size());
    while (at < end && v.size() < most) {
        const std::size_t stop = std::min(field.find(' ', at), end);
        v.push_back(number_in(field.data() + at, stop - at));
        at = stop + (stop < end);
    }
    at = end + 1;
    return v;
}

bool is_source(double v) { return v >= 0 && v <= 65535 && v == std::floor(v); }

// A count a table may hold: a table edited by hand holds anything.
bool is_count(double v) { return v >= 0 && v < 1e18; }

double lower_median(std::vector<double> v) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>((v.size() - 1) / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// The verdict of a value by the limits of the criterion called name.
Verdict verdict_by(const Limits &limits, const char *name, double v) {
    for (std::size_t ci = 0; ci < limits.criteria.size(); ++ci) {
        const Criterion &c = limits.criteria[ci];
        if (std::strcmp(c.name, name) != 0) continue;
        if (limits.check_off[c.check] || limits.criterion_off[ci]) return Verdict::NotApplicable;
        const auto crosses = [&](double limit) { return c.below ? v < limit : v > limit; };
        return crosses(c.fail) ? Verdict::Fail : crosses(c.warn) ? Verdict::Warn : Verdict::Pass;
    }
    return Verdict::NotApplicable;
}

struct Pair {
    std::uint16_t a, b;
    double dz;  // the pair's difference, a less b
    bool active = true;
};

// Names lines by interswath, the worst first (see judge_lines): of the
// lines whose figure crosses a limit, the one that disagrees with the most
// lines it meets, then by the larger figure.
void weigh_interswath(const FlightLines &fl, const Limits &limits, std::vector<LineJudgement> &out) {
    if (verdict_by(limits, "interswath_dz", 0) == Verdict::NotApplicable) return;  // turned off
    std::map<std::uint16_t, std::size_t> at;
    for (std::size_t k = 0; k < out.size(); ++k) at[out[k].source] = k;
    // A pair of a line no tile holds (a shard's table edited by hand) is
    // passed over.
    std::vector<Pair> pairs;
    for (const auto &[key, p] : fl.pairs) {
        const auto a = static_cast<std::uint16_t>(key >> 16), b = static_cast<std::uint16_t>(key & 0xFFFF);
        if (!p.dz.empty() && a != b && at.count(a) && at.count(b)) pairs.push_back({a, b, lower_median(p.dz)});
    }
    for (const Pair &p : pairs) ++out[at[p.a]].compared, ++out[at[p.b]].compared;
    const auto crosses = [&](double v) {
        const Verdict verdict = verdict_by(limits, "interswath_dz", v);
        return verdict == Verdict::Warn || verdict == Verdict::Fail;
    };
    std::vector<bool> named(out.size(), false);
    std::vector<std::vector<double>> differences(out.size());
    std::vector<std::size_t> against(out.size());
    for (;;) {
        for (auto &d : differences) d.clear();
        std::fill(against.begin(), against.end(), 0);
        for (const Pair &p : pairs) {
            if (!p.active) continue;
            for (const std::uint16_t end : {p.a, p.b}) {
                differences[at[end]].push_back(std::fabs(p.dz));
                against[at[end]] += crosses(std::fabs(p.dz));
            }
        }
        std::size_t worst = out.size();
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (named[k]) continue;
            out[k].has_interswath = !differences[k].empty();
            if (!out[k].has_interswath) continue;
            out[k].interswath = lower_median(differences[k]);
            if (!crosses(out[k].interswath)) continue;
            if (worst == out.size() || against[k] > against[worst] ||
                (against[k] == against[worst] && out[k].interswath > out[worst].interswath))
                worst = k;
        }
        if (worst == out.size()) break;
        named[worst] = true;
        for (Pair &p : pairs)
            if (p.a == out[worst].source || p.b == out[worst].source) p.active = false;
    }
    for (std::size_t k = 0; k < out.size(); ++k)
        if (out[k].has_interswath) out[k].interswath_verdict = verdict_by(limits, "interswath_dz", out[k].interswath);
}

std::string number(const char *format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

}  // namespace

void fold_tile_lines(FlightLines &fl, const std::string &lines, const std::string &pairs) {
    for (std::size_t at = 0; at < lines.size();) {
        const std::vector<double> v = numbers_of(lines, at);
        if ((v.size() != 3 && v.size() != 9 && v.size() != 11) || !is_source(v[0]) || !is_count(v[1]) ||
            !is_count(v[2]))
            continue;
        LineTotal &l = fl.lines[static_cast<std::uint16_t>(v[0])];
        ++l.tiles;
        l.points += static_cast<std::uint64_t>(v[1]);
        l.cells += static_cast<std::uint64_t>(v[2]);
        if (v.size() >= 9) {
            for (std::size_t k = 0; k < 6; k += 2) {
                l.extent[k] = l.has_extent ? std::min(l.extent[k], v[3 + k]) : v[3 + k];
                l.extent[k + 1] = l.has_extent ? std::max(l.extent[k + 1], v[4 + k]) : v[4 + k];
            }
            l.has_extent = true;
        }
        if (v.size() == 11) {
            l.gps_min = l.has_gps ? std::min(l.gps_min, v[9]) : v[9];
            l.gps_max = l.has_gps ? std::max(l.gps_max, v[10]) : v[10];
            l.has_gps = true;
        }
    }
    for (std::size_t at = 0; at < pairs.size();) {
        const std::vector<double> v = numbers_of(pairs, at);
        if (v.size() != 4 || !is_source(v[0]) || !is_source(v[1]) || !is_count(v[2])) continue;
        PairTotal &p = fl.pairs[static_cast<std::uint32_t>(v[0]) << 16 | static_cast<std::uint32_t>(v[1])];
        p.shared += static_cast<std::uint64_t>(v[2]);
        if (v[2] >= kFewestSharedCells && std::isfinite(v[3])) p.dz.push_back(v[3]);
    }
}

std::vector<std::uint16_t> line_sources(const std::string &lines) {
    std::vector<std::uint16_t> sources;
    for (std::size_t at = 0; at < lines.size();) {
        const std::vector<double> v = numbers_of(lines, at, 1);
        if (!v.empty() && is_source(v[0])) sources.push_back(static_cast<std::uint16_t>(v[0]));
    }
    return sources;
}

std::vector<LineJudgement> judge_lines(const FlightLines &fl, const Limits &limits) {
    std::vector<LineJudgement> out;
    for (const auto &[source, line] : fl.lines) {
        LineJudgement j;
        j.source = source;
        out.push_back(j);
    }
    weigh_interswath(fl, limits, out);
    // The share of a line's cells that its most overlapping line covers.
    std::map<std::uint16_t, std::size_t> at;
    for (std::size_t k = 0; k < out.size(); ++k) at[out[k].source] = k;
    for (const auto &[key, p] : fl.pairs) {
        const std::uint16_t ends[2] = {static_cast<std::uint16_t>(key >> 16), static_cast<std::uint16_t>(key & 0xFFFF)};
        for (int e = 0; e < 2; ++e) {
            const auto found = fl.lines.find(ends[e]);
            if (found == fl.lines.end() || found->second.cells < kFewestCoveredCells || !at.count(ends[1 - e]) ||
                ends[0] == ends[1])
                continue;
            LineJudgement &j = out[at[ends[e]]];
            const double share = std::min(100.0, 100.0 * static_cast<double>(p.shared) / static_cast<double>(found->second.cells));
            if (!j.has_covered || share > j.covered) j.has_covered = true, j.covered = share, j.covered_by = ends[1 - e];
        }
    }
    for (LineJudgement &j : out)
        if (j.has_covered) j.covered_verdict = verdict_by(limits, "line_covered", j.covered);
    return out;
}

std::vector<double> tile_line_covered(const FactsTable &facts, const std::vector<LineJudgement> &judged) {
    std::map<std::uint16_t, double> covered;
    for (const LineJudgement &j : judged)
        if (j.has_covered) covered[j.source] = j.covered;
    std::vector<double> out(facts_count(facts), std::nan(""));
    for (std::size_t k = 0; k < out.size(); ++k) {
        for (const std::uint16_t s : facts_at(facts, k).lines) {
            const auto found = covered.find(s);
            if (found != covered.end() && !(found->second <= out[k])) out[k] = found->second;
        }
    }
    return out;
}

bool write_lines_table(std::FILE *f, const FlightLines &fl, const std::vector<LineJudgement> &judged) {
    std::string row = "line,tiles,points,x_min,x_max,y_min,y_max,z_min,z_max,gps_min,gps_max,cells,compared_lines,"
                      "interswath_dz,covered_by,covered,check:interswath,check:flight_lines\n";
    bool ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    std::size_t k = 0;
    for (const auto &[source, l] : fl.lines) {
        const LineJudgement &j = judged[k++];
        row = std::to_string(source) + ',' + std::to_string(l.tiles) + ',' + std::to_string(l.points);
        for (const double e : l.extent) row += ',' + (l.has_extent ? number("%.12g", e) : std::string());
        row += ',' + (l.has_gps ? number("%.6f", l.gps_min) : std::string());
        row += ',' + (l.has_gps ? number("%.6f", l.gps_max) : std::string());
        row += ',' + std::to_string(l.cells) + ',' + std::to_string(j.compared);
        row += ',' + (j.has_interswath ? number("%.3f", j.interswath) : std::string());
        row += ',' + (j.has_covered ? std::to_string(j.covered_by) : std::string());
        row += ',' + (j.has_covered ? number("%.1f", j.covered) : std::string());
        row += std::string(",") + verdict_cell(j.interswath_verdict) + ',' + verdict_cell(j.covered_verdict) + '\n';
        ok = ok && std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return ok;
}

}  // namespace pointsieve::qa

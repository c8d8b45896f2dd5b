// The columns and verdicts of a row of tiles.csv, for the report.
#include "report_columns.hpp"

#include <cstdlib>

#include "check_table.hpp"

namespace pointsieve::qa::report {

const char *verdict_word(Verdict v) {
    static const char *const kWords[] = {"n/a", "pass", "warn", "fail"};
    return kWords[static_cast<int>(v)];
}

const char *verdict_mark(Verdict v) {
    static const char *const kMarks[] = {"\u2013", "\u2713", "!", "\u2717"};
    return kMarks[static_cast<int>(v)];
}

Columns find_columns(const std::vector<std::string> &heading) {
    Columns c;
    struct Named {
        const char *name;
        int Columns::*column;
    };
    static const Named kNamed[] = {
        {"tile", &Columns::tile},         {"status", &Columns::status},
        {"reason", &Columns::reason},     {"las_version", &Columns::las_version},
        {"point_format", &Columns::point_format}, {"declared", &Columns::declared},
        {"read", &Columns::read},         {"x_min", &Columns::x_min},
        {"x_max", &Columns::x_max},       {"y_min", &Columns::y_min},
        {"y_max", &Columns::y_max},       {"z_min", &Columns::z_min},
        {"z_max", &Columns::z_max},       {"gps_encoding", &Columns::gps_encoding},
        {"gps_min", &Columns::gps_min},   {"gps_max", &Columns::gps_max},
        {"density", &Columns::density},   {"crs", &Columns::crs},
        {"horizontal_unit", &Columns::horizontal_unit}, {"density_m2", &Columns::density_m2},
        {"first_density_m2", &Columns::first_density_m2}, {"extra_bytes", &Columns::extra_bytes},
        {"compression", &Columns::compression}, {"file_bytes", &Columns::file_bytes},
    };
    for (std::size_t k = 0; k < heading.size(); ++k) {
        const std::string &h = heading[k];
        if (h.rfind("check:", 0) == 0) {
            c.checks.push_back(static_cast<int>(k));
            c.check_names.push_back(h.substr(6));
            continue;
        }
        for (const Named &n : kNamed)
            if (h == n.name) c.*n.column = static_cast<int>(k);
    }
    return c;
}

const std::string &field(const std::vector<std::string> &row, int column) {
    static const std::string kEmpty;
    return column >= 0 && static_cast<std::size_t>(column) < row.size() ? row[static_cast<std::size_t>(column)]
                                                                         : kEmpty;
}

Verdict worst_verdict(const Columns &c, const std::vector<std::string> &row) {
    Verdict worst = Verdict::NotApplicable;
    for (const int k : c.checks) {
        const Verdict v = verdict_of(field(row, k));
        if (v > worst) worst = v;
    }
    return worst == Verdict::NotApplicable ? Verdict::Pass : worst;
}

bool was_read(const Columns &c, const std::vector<std::string> &row) {
    const std::string &s = field(row, c.status);
    return s == "ok" || s == "truncated";
}

bool parse_number(const std::string &text, double &value) {
    if (text.empty()) return false;
    char *end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0';
}

const char *check_words(const std::string &check) {
    const CheckEntry *c = find_check(check);
    return c ? c->words : check.c_str();
}

const char *check_meaning(const std::string &check) {
    const CheckEntry *c = find_check(check);
    return c ? c->meaning : "";
}

}  // namespace pointsieve::qa::report

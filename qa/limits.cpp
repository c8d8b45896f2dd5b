// The limits of the checks: their defaults from the check table, printed as
// a limits file, and a limits file read over them.
#include "limits.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "cells.hpp"
#include "check_table.hpp"
#include "file_util.hpp"
#include "process.hpp"

namespace pointsieve::qa {

std::string limit_text(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

Limits default_limits() {
    Limits l;
    for (std::size_t check = 0; check < kChecks.size(); ++check) {
        std::size_t which = 0;
        for (const CriterionEntry &c : kChecks[check].criteria)
            if (c.name) l.criteria.push_back({c.name, check, which++, c.below, c.warn, c.fail, c.unit});
    }
    l.check_off.assign(kChecks.size(), false);
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
    for (const Criterion &c : default_limits().criteria) {
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

void read_limits(const char *name, Limits &limits) {
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
        while ((c = std::getc(f.get())) != EOF && c != '\n') {
            line += static_cast<char>(c);
            // No more of a line is read than a limits line can use, so
            // that a file that never ends (/dev/zero) is refused at once.
            if (line.size() > kLongestLimitsLine) {
                refuse_limits(name, number + 1, ("longer than " + std::to_string(kLongestLimitsLine) + " bytes").c_str());
            }
        }
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
        if (!is_decimal_number(value)) refuse_limits(name, number, "the value is not a decimal number: ", value);
        char *end = nullptr;
        errno = 0;
        const double v = std::strtod(value.c_str(), &end);
        if (*end != '\0' || !std::isfinite(v) || errno == ERANGE)
            refuse_limits(name, number, "the value is out of range: ", value);
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
        for (std::size_t k = 0; k < kChecks.size(); ++k) {
            if (key != kChecks[k].name) continue;
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
}

}  // namespace pointsieve::qa

// Reading the audit's tables for the report, row by row, and writing the
// page's escaped text.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "report_parts.hpp"

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
        {"density", &Columns::density},
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

bool read_archive(const std::string &name, ArchiveFigures &a) {
    TableReader t;
    errno = 0;
    if (!open_table(t, name, ' ')) return errno == ENOENT;
    a.present = true;
    std::vector<std::string> f;
    auto bin = [](std::vector<double> &h, std::size_t size, long k, double v) {
        if (h.empty()) h.assign(size, 0.0);
        if (k >= 0 && static_cast<std::size_t>(k) < size) h[static_cast<std::size_t>(k)] = v;
    };
    while (next_row(t, f)) {
        // A key, then the value right-aligned: the fields between are empty.
        if (f.empty() || f.size() < 2) continue;
        double v = 0;
        if (!parse_number(f.back(), v)) continue;
        const std::string &key = f.front();
        const char *k = key.c_str();
        auto number_after = [&](const char *prefix, long &n) {
            const std::size_t len = std::strlen(prefix);
            if (key.compare(0, len, prefix) != 0 || key.size() == len) return false;
            char *end = nullptr;
            n = std::strtol(k + len, &end, 10);
            return *end == '\0';
        };
        long n = 0;
        if (key == "TotalPoints") {
            a.total = v;
        } else if (key.size() == 10 && key.compare(3, 7, "Returns") == 0 && key[0] >= '1' && key[0] <= '9') {
            a.by_return[static_cast<std::size_t>(key[0] - '0')] = v;
        } else if (number_after("NumberReturns", n)) {
            if (n >= 1 && n <= 9) a.by_returns[static_cast<std::size_t>(n)] = v;
        } else if (number_after("Class", n)) {
            if (n >= 0 && n <= 255) a.by_class_byte[static_cast<std::size_t>(n)] = v;
        } else if (number_after("Intensity", n)) {
            bin(a.intensity, 65536, n, v);
        } else if (number_after("ScanAngleRank", n)) {
            bin(a.scan_angle, 256, n + 128, v);
        } else if (number_after("UserData", n)) {
            bin(a.user_data, 256, n, v);
        } else if (number_after("PointSourceID", n)) {
            bin(a.point_source, 65536, n, v);
        }
    }
    return !t.failed;
}

// ---- Writing -------------------------------------------------------------

namespace {
constexpr std::size_t kDrainAt = std::size_t{1} << 20;
}

bool drain(Page &p) {
    if (!p.file) return true;  // a piece of the page, kept whole in memory
    if (!p.buffer.empty() && !p.failed) {
        if (std::fwrite(p.buffer.data(), 1, p.buffer.size(), p.file) != p.buffer.size()) {
            p.failed = true;
            p.error = errno ? errno : EIO;
        }
    }
    p.buffer.clear();
    return !p.failed;
}

void put(Page &p, std::string_view text) {
    p.buffer.append(text);
    if (p.buffer.size() >= kDrainAt) drain(p);
}

void put_escaped(Page &p, std::string_view text) {
    // The characters HTML reserves and control bytes as references (a CR would
    // otherwise become LF in the parser); other bytes, UTF-8 or not, as
    // they are, which the browser decodes as any UTF-8 reader does.
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': p.buffer += "&amp;"; break;
        case '<': p.buffer += "&lt;"; break;
        case '>': p.buffer += "&gt;"; break;
        case '"': p.buffer += "&quot;"; break;
        case '\'': p.buffer += "&#39;"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char ref[8];
                std::snprintf(ref, sizeof ref, "&#%u;", static_cast<unsigned>(c));
                p.buffer += ref;
            } else {
                p.buffer.push_back(ch);
            }
        }
    }
    if (p.buffer.size() >= kDrainAt) drain(p);
}

void putf(Page &p, const char *format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) put(p, std::string_view(text, static_cast<std::size_t>(n) < sizeof text ? static_cast<std::size_t>(n)
                                                                                       : sizeof text - 1));
}

std::string thousands(double count) {
    char digits[40];
    std::snprintf(digits, sizeof digits, "%.0f", count);
    const std::string d = digits;
    std::string out;
    const std::size_t sign = d[0] == '-' ? 1 : 0;
    out.append(d, 0, sign);
    for (std::size_t k = sign; k < d.size(); ++k) {
        if (k > sign && (d.size() - k) % 3 == 0) out += ',';
        out += d[k];
    }
    return out;
}

}  // namespace pointsieve::qa::report

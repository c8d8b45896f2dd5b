// Writing the report page: its buffer, escaped text and counts.
#include "report_page.hpp"

#include <cerrno>
#include <cstdarg>

namespace pointsieve::qa::report {

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

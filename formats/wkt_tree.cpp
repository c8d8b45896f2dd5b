// Reading an OGC WKT text into a tree of nodes. The reading is tolerant:
// what a truncated or garbled text holds up to its fault is kept, nesting
// deeper than kWktMostDepth is passed over, and no more than kWktMostNodes
// nodes and kWktMostItems strings, numbers and words are made.
#include "wkt_tree.hpp"

#include <cmath>
#include <cstdint>

namespace pointsieve::formats {

namespace {

constexpr int kWktMostDepth = 64;
constexpr std::size_t kWktMostNodes = 10000;
// A record of 4 MB of bare words would otherwise be held as two million
// strings of 32 bytes each.
constexpr std::size_t kWktMostItems = 10000;

struct WktText {
    std::string_view text;
    std::size_t at = 0;
    std::size_t nodes = 0;
    std::size_t items = 0;
};

bool wkt_digit(char c) { return c >= '0' && c <= '9'; }
bool wkt_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || wkt_digit(c) || c == '_'; }
bool wkt_open(char c) { return c == '[' || c == '('; }
bool wkt_close(char c) { return c == ']' || c == ')'; }
bool wkt_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A quoted string from its opening quote on; a doubled quote stands for one.
// An unterminated string runs to the end of the text.
std::string wkt_quoted(WktText &t) {
    std::string s;
    ++t.at;
    while (t.at < t.text.size()) {
        const char c = t.text[t.at++];
        if (c == '"' && (t.at == t.text.size() || t.text[t.at] != '"')) break;
        s += c;
        if (c == '"') ++t.at;
    }
    return s;
}

// A decimal number, or false (nothing consumed) when there are no digits.
// Read by hand rather than by the C library, whose reading follows the
// locale: up to 19 significant digits and a power of ten.
bool wkt_number(WktText &t, double &value) {
    std::size_t at = t.at;
    const std::string_view s = t.text;
    const bool negative = at < s.size() && s[at] == '-';
    if (at < s.size() && (s[at] == '-' || s[at] == '+')) ++at;
    std::uint64_t mantissa = 0;
    int digits = 0, exponent = 0;
    bool any = false, point = false;
    // The exponent is held within +-10000: far past any double either way.
    for (; at < s.size() && (wkt_digit(s[at]) || (s[at] == '.' && !point)); ++at) {
        point = point || s[at] == '.';
        if (s[at] == '.') continue;
        any = true;
        if (digits < 19) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(s[at] - '0');
            digits += mantissa ? 1 : 0;
            exponent -= point && exponent > -10000 ? 1 : 0;
        } else {
            exponent += !point && exponent < 10000 ? 1 : 0;
        }
    }
    if (!any) return false;
    if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
        std::size_t e = at + 1;
        const bool minus = e < s.size() && s[e] == '-';
        if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
        if (e < s.size() && wkt_digit(s[e])) {
            int power = 0;
            for (; e < s.size() && wkt_digit(s[e]); ++e)
                if (power < 10000) power = power * 10 + (s[e] - '0');
            exponent += minus ? -power : power;
            at = e;
        }
    }
    // Powers of ten to 1e22 are exact doubles: a mantissa below 2^53 scaled
    // by one of them is the nearest double, as a correct reader gives.
    double v = static_cast<double>(mantissa);
    if (mantissa < (std::uint64_t{1} << 53) && exponent >= -22 && exponent <= 22) {
        double scale = 1;
        for (int k = 0; k < (exponent < 0 ? -exponent : exponent); ++k) scale *= 10;
        v = exponent < 0 ? v / scale : v * scale;
    } else if (mantissa) {
        v *= std::pow(10.0, exponent);
    }
    value = negative ? -v : v;
    t.at = at;
    return true;
}

// Whether one more string, number or word is kept.
bool wkt_keep(WktText &t) {
    if (t.items >= kWktMostItems) return false;
    ++t.items;
    return true;
}

// Passes over the rest of a bracketed item whose opening bracket has been
// read, however deep its nesting, without making nodes of it.
void wkt_pass_over(WktText &t) {
    std::size_t depth = 1;
    while (t.at < t.text.size() && depth > 0) {
        const char c = t.text[t.at];
        if (c == '"') {
            wkt_quoted(t);
            continue;
        }
        depth = wkt_open(c) ? depth + 1 : wkt_close(c) ? depth - 1 : depth;
        ++t.at;
    }
}

// Reads the items of node up to its closing bracket (either kind: writers
// mix them), or to the end of a truncated text. At the text's top level,
// the items up to a stray closing bracket.
void wkt_items(WktText &t, WktNode &node, int depth) {
    while (t.at < t.text.size()) {
        const char c = t.text[t.at];
        double number = 0;
        if (wkt_close(c)) {
            ++t.at;
            return;
        }
        if (c == '"') {
            std::string s = wkt_quoted(t);
            if (wkt_keep(t)) node.strings.push_back(std::move(s));
        } else if (wkt_number(t, number)) {
            if (wkt_keep(t)) node.numbers.push_back(number);
        } else if (wkt_letter(c)) {
            const std::size_t start = t.at;
            while (t.at < t.text.size() && wkt_letter(t.text[t.at])) ++t.at;
            std::string word(t.text.substr(start, t.at - start));
            while (t.at < t.text.size() && wkt_blank(t.text[t.at])) ++t.at;
            if (t.at < t.text.size() && wkt_open(t.text[t.at])) {
                ++t.at;
                if (depth >= kWktMostDepth || t.nodes >= kWktMostNodes) {
                    wkt_pass_over(t);
                    continue;
                }
                ++t.nodes;
                for (char &l : word)
                    if (l >= 'a' && l <= 'z') l = static_cast<char>(l - 'a' + 'A');
                WktNode &child = node.children.emplace_back();
                child.keyword = std::move(word);
                wkt_items(t, child, depth + 1);
            } else if (wkt_keep(t)) {
                node.words.push_back(std::move(word));
            }
        } else {
            ++t.at;  // a separator, blank or character of no meaning here
        }
    }
}

}  // namespace

bool wkt_whole_number(std::string_view text, double &value) {
    WktText t{text};
    return wkt_number(t, value) && t.at == text.size();
}

WktNode read_wkt_tree(std::string_view wkt) {
    WktText t{wkt};
    WktNode top;
    while (t.at < wkt.size()) wkt_items(t, top, 0);  // past stray closing brackets too
    return top;
}

}  // namespace pointsieve::formats

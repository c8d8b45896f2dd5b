// Reading statistics files by the section table, and the exact merge of
// their figures.
#include "merge.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace pointsieve {

namespace {

// No line of a statistics file comes near this: the widest is a key and a
// double printed with six decimals.
constexpr std::size_t kLongestLine = 1024;
constexpr std::size_t kReadBlock = std::size_t{1} << 16;

// What a run that read no file prints.
const ScalarTexts &texts_of_empty_run() {
    static const ScalarTexts none = scalar_texts(Accumulator{}, true);
    return none;
}

}  // namespace

KeyIndex build_key_index() {
    KeyIndex ix;
    const auto add = [&](std::string_view key, FileLine line) {
        ix.keys.append(key);
        ix.key_ends.push_back(static_cast<std::uint32_t>(ix.keys.size()));
        ix.lines.push_back(line);
    };
    for (std::size_t s = 0; s < kScalarCount; ++s)
        add(kScalarLines[s].key, {-1, static_cast<int>(s), kScalarLines[s].file_width, true});
    for (std::size_t s = 0; s < kSections.size(); ++s) {
        const SectionLayout &section = kSections[s];
        // A file line is the key, a space and the count: the key is printed
        // by the part of the pattern before the space, and the count takes
        // the width that is left in the line of a count of 0.
        const std::string_view pattern = section.file;
        const std::string key_pattern(pattern.substr(0, pattern.find(' ')));
        char text[128];
        const int line_length = format_section_line(text, sizeof text, section, section.file, section.first, 0) - 1;
        const int width = line_length - static_cast<int>(std::string_view(text).find(' ')) - 1;
        for (int bin = section.first; bin <= section.last; ++bin) {
            const int n = format_section_line(text, sizeof text, section, key_pattern.c_str(), bin, 0);
            add(std::string_view(text, static_cast<std::size_t>(n)),
                {static_cast<int>(s), bin, width, bin + section.key_offset <= section.always_up_to});
        }
    }
    ix.by_key.reserve(ix.lines.size());
    for (std::uint32_t k = 0; k < ix.lines.size(); ++k) ix.by_key.emplace(key_of(ix, k), k);
    const auto count = static_cast<std::uint32_t>(ix.lines.size());
    ix.next_required.assign(count + 1, count);
    for (std::uint32_t k = count; k-- > 0;) ix.next_required[k] = ix.lines[k].required ? k : ix.next_required[k + 1];
    return ix;
}

std::string_view key_of(const KeyIndex &index, std::uint32_t line) {
    const std::uint32_t begin = line == 0 ? 0 : index.key_ends[line - 1];
    return std::string_view(index.keys).substr(begin, index.key_ends[line] - begin);
}

int compare_printed(std::string_view a, std::string_view b) {
    const bool a_negative = a.starts_with('-'), b_negative = b.starts_with('-');
    if (a_negative != b_negative) return a_negative ? -1 : 1;
    if (a_negative) a.remove_prefix(1), b.remove_prefix(1);
    // Magnitudes: infinity above every number; otherwise the longer integer
    // part is larger, and equal lengths compare digit by digit.
    int magnitude;
    const bool a_inf = a == "inf", b_inf = b == "inf";
    if (a_inf || b_inf)
        magnitude = a_inf == b_inf ? 0 : (a_inf ? 1 : -1);
    else if (a.find('.') != b.find('.'))
        magnitude = a.find('.') < b.find('.') ? -1 : 1;
    else
        magnitude = a.compare(b) < 0 ? -1 : (a.compare(b) > 0 ? 1 : 0);
    return a_negative ? -magnitude : magnitude;
}

namespace {

enum class LineStatus { Line, End, TooLong, CutShort, ReadError };

struct LineSource {
    std::FILE *f;
    std::vector<char> &buffer;
    std::size_t begin = 0, end = 0;
    bool at_eof = false;
};

LineStatus next_line(LineSource &src, std::string_view &line) {
    for (;;) {
        char *data = src.buffer.data();
        const void *nl = std::memchr(data + src.begin, '\n', src.end - src.begin);
        if (nl) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char *>(nl) - data);
            line = std::string_view(data + src.begin, at - src.begin);
            src.begin = at + 1;
            if (line.size() > kLongestLine) return LineStatus::TooLong;
            if (line.ends_with('\r')) line.remove_suffix(1);
            return LineStatus::Line;
        }
        if (src.end - src.begin > kLongestLine) return LineStatus::TooLong;
        if (src.at_eof) return src.end == src.begin ? LineStatus::End : LineStatus::CutShort;
        std::memmove(data, data + src.begin, src.end - src.begin);
        src.end -= src.begin;
        src.begin = 0;
        const std::size_t got = std::fread(data + src.end, 1, src.buffer.size() - src.end, src.f);
        src.end += got;
        if (got == 0) {
            if (std::ferror(src.f)) return LineStatus::ReadError;
            src.at_eof = true;
        }
    }
}

// The number of a value field: right-aligned in width, or wider than width
// with no padding. Empty when the field is not so.
std::string_view field_number(std::string_view field, int width) {
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::string_view number = field.substr(first);
    if (field.size() != std::max(static_cast<std::size_t>(width), number.size())) return {};
    if (number.find(' ') != std::string_view::npos) return {};
    return number;
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A count as "%.0f" prints a whole-number double: digits, no sign, no
// leading zero, and a value a double holds exactly.
ReadOutcome parse_count(std::string_view number, std::uint64_t &value) {
    if (number.starts_with('-') && all_digits(number.substr(1))) return ReadOutcome::Negative;
    if (!all_digits(number) || (number.size() > 1 && number[0] == '0')) return ReadOutcome::Malformed;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return ReadOutcome::Malformed;
    if (value > (std::uint64_t{1} << 53) && static_cast<std::uint64_t>(as_double(value)) != value)
        return ReadOutcome::Malformed;
    return ReadOutcome::Ok;
}

// A value as "%.Nf" prints it: an optional minus, digits without a leading
// zero, a point and exactly N decimals; or inf.
bool is_printed_decimal(std::string_view number, int decimals) {
    if (number.starts_with('-')) number.remove_prefix(1);
    if (number == "inf") return true;
    const std::size_t point = number.find('.');
    if (point == std::string_view::npos) return false;
    const std::string_view whole = number.substr(0, point), fraction = number.substr(point + 1);
    return all_digits(whole) && (whole.size() == 1 || whole[0] != '0') && all_digits(fraction) &&
           fraction.size() == static_cast<std::size_t>(decimals);
}

bool add_count(std::uint64_t &sum, std::uint64_t count) {
    if (sum > UINT64_MAX - count) return false;
    sum += count;
    return true;
}

ReadResult failure(ReadOutcome outcome, long long line, std::string_view key) {
    return {outcome, line, std::string(key)};
}

}  // namespace

void start_merge(MergedFigures &merged) { merged.values = texts_of_empty_run(); }

ReadResult read_stats(std::FILE *f, const KeyIndex &index, StatsReadBuffers &buffers, InputFigures &in,
                      MergedFigures &merged) {
    in = InputFigures{};
    buffers.seen.clear();
    if (buffers.buffer.size() < kReadBlock) buffers.buffer.resize(kReadBlock);
    LineSource src{f, buffers.buffer};
    long long number = 0;
    std::uint32_t next = 0;  // the first line of the layout that may still come
    bool gps_min_bare = false;
    std::string_view line;
    for (;;) {
        const LineStatus status = next_line(src, line);
        if (status == LineStatus::End) break;
        ++number;
        if (status == LineStatus::ReadError) return failure(ReadOutcome::CannotRead, number, {});
        if (status == LineStatus::CutShort) {
            // A first line that is no line of a statistics file, cut or not.
            const std::string_view rest(src.buffer.data() + src.begin, src.end - src.begin);
            const bool known = index.by_key.contains(rest.substr(0, rest.find(' ')));
            return failure(number == 1 && !known ? ReadOutcome::NotStatistics : ReadOutcome::CutShort, number, {});
        }
        if (status == LineStatus::TooLong) return failure(ReadOutcome::NotStatistics, number, {});

        const std::size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space);
        const auto found = index.by_key.find(key);
        if (found == index.by_key.end())
            return failure(number == 1 || key.empty() ? ReadOutcome::NotStatistics : ReadOutcome::UnknownKey,
                           number, key);
        const std::uint32_t at = found->second;
        if (at < next) {
            const bool repeated = std::binary_search(buffers.seen.begin(), buffers.seen.end(), at);
            return failure(repeated ? ReadOutcome::RepeatedKey : ReadOutcome::MisplacedKey, number, key);
        }
        if (index.next_required[next] < at)
            return failure(ReadOutcome::MissingKey, number, key_of(index, index.next_required[next]));
        buffers.seen.push_back(at);
        next = at + 1;

        const FileLine &layout = index.lines[at];
        if (space == std::string_view::npos) {
            // Only the GPS keys stand alone, both or neither.
            const bool bare_allowed = layout.index == GPSTimeMin || (layout.index == GPSTimeMax && gps_min_bare);
            if (layout.section >= 0 || !bare_allowed) return failure(ReadOutcome::Malformed, number, key);
            gps_min_bare = true;
            continue;
        }
        const std::string_view value = field_number(line.substr(space + 1), layout.width);
        std::uint64_t count = 0;
        if (layout.section < 0 && layout.index != TotalPoints) {
            const Scalar s = static_cast<Scalar>(layout.index);
            if ((s == GPSTimeMax && gps_min_bare) || !is_printed_decimal(value, kScalarLines[s].decimals))
                return failure(ReadOutcome::Malformed, number, key);
            in.values[s] = value;
            continue;
        }
        if (const ReadOutcome parsed = parse_count(value, count); parsed != ReadOutcome::Ok)
            return failure(value.empty() ? ReadOutcome::Malformed : parsed, number, key);
        if (layout.section < 0) {
            in.total = count;
            in.values[TotalPoints] = value;
            if (!add_count(merged.acc.ReturnCount, count)) return failure(ReadOutcome::TooLarge, number, key);
            continue;
        }
        const Histogram histogram = kSections[static_cast<std::size_t>(layout.section)].histogram;
        std::uint64_t &bin = section_bins(histogram, merged.acc, merged.returns)[static_cast<std::size_t>(layout.index)];
        if (!add_count(bin, count)) return failure(ReadOutcome::TooLarge, number, key);
        if (histogram == Histogram::Intensity)
            in.detailed = true;
        else if (!kSections[static_cast<std::size_t>(layout.section)].detailed)
            input_bin(in, histogram, layout.index) = count;
    }
    if (number == 0) return failure(ReadOutcome::NotStatistics, 1, {});
    if (index.next_required[next] < index.lines.size())
        return failure(ReadOutcome::MissingKey, number + 1, key_of(index, index.next_required[next]));
    return {};
}

bool merge_scalars(const InputFigures &in, const std::string &name, MergedFigures &merged) {
    ++merged.files;
    ScalarTexts &m = merged.values;
    for (const Scalar s : {XMin, YMin, ZMin})
        if (compare_printed(in.values[s], m[s]) < 0) m[s] = in.values[s];
    for (const Scalar s : {XMax, YMax, ZMax})
        if (compare_printed(in.values[s], m[s]) > 0) m[s] = in.values[s];
    if (!in.values[GPSTimeMin].empty()) {
        merged.gps_bare = false;
        if (compare_printed(in.values[GPSTimeMin], m[GPSTimeMin]) < 0) m[GPSTimeMin] = in.values[GPSTimeMin];
        // The starting minimum and the starting 0 together mean that the
        // input read no GPS time; its maximum then takes no part. (With the
        // starting minimum alone, every time read was at least that large.)
        const ScalarTexts &none = texts_of_empty_run();
        const bool read_none = in.values[GPSTimeMin] == none[GPSTimeMin] && in.values[GPSTimeMax] == none[GPSTimeMax];
        if (!read_none && (!merged.gps_max_read || compare_printed(in.values[GPSTimeMax], m[GPSTimeMax]) > 0)) {
            m[GPSTimeMax] = in.values[GPSTimeMax];
            merged.gps_max_read = true;
        }
    }
    if (in.total > 0) {
        std::string &first = in.detailed ? merged.detailed_name : merged.plain_name;
        if (first.empty()) first = name;
    }
    return merged.detailed_name.empty() || merged.plain_name.empty();
}

ScalarTexts merged_texts(const MergedFigures &merged) {
    ScalarTexts t = merged.values;
    t[TotalPoints] = scalar_text(TotalPoints, as_double(merged.acc.ReturnCount));
    if (merged.gps_bare) t[GPSTimeMin].clear(), t[GPSTimeMax].clear();
    return t;
}

}  // namespace pointsieve

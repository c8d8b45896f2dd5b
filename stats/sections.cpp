// The layout shared by the console report and the statistics file.
#include "sections.hpp"

namespace pointsieve {

std::string scalar_text(Scalar line, double value) {
    char text[400];  // the widest double printed with six decimals fits
    // A zero has no sign: -0.0 and +0.0 compare equal, so which of them a
    // run keeps depends on the order of its files, and both print as the
    // zero without a sign (adding +0.0 turns -0.0 into +0.0). A printed
    // "-0.00" is then always a negative value, which the merge can order.
    std::snprintf(text, sizeof text, "%.*f", kScalarLines[line].decimals, value + 0.0);
    return text;
}

ScalarTexts scalar_texts(const Accumulator &acc, bool has_gps_time) {
    ScalarTexts t;
    t[TotalPoints] = scalar_text(TotalPoints, as_double(acc.ReturnCount));
    t[XMin] = scalar_text(XMin, acc.minX);
    t[XMax] = scalar_text(XMax, acc.maxX);
    t[YMin] = scalar_text(YMin, acc.minY);
    t[YMax] = scalar_text(YMax, acc.maxY);
    t[ZMin] = scalar_text(ZMin, acc.minZ);
    t[ZMax] = scalar_text(ZMax, acc.maxZ);
    if (has_gps_time) {
        t[GPSTimeMin] = scalar_text(GPSTimeMin, acc.minGPSTime);
        t[GPSTimeMax] = scalar_text(GPSTimeMax, largest_gps_time(acc));
    }
    return t;
}

void write_scalar_line(std::FILE *out, Scalar line, const std::string &text) {
    const ScalarLine &s = kScalarLines[line];
    if (text.empty())
        std::fprintf(out, "%s\n", s.key);
    else
        std::fprintf(out, "%s %*s\n", s.key, s.file_width, text.c_str());
}

ReturnTables return_tables(const Accumulator &acc) {
    return {return_number_counts(acc), number_of_returns_counts(acc)};
}

namespace {

template <class Count, class Acc, class Returns>
std::span<Count> bins_of(Histogram histogram, Acc &acc, Returns &returns) {
    switch (histogram) {
        case Histogram::ReturnNumber: return returns.by_return_number;
        case Histogram::NumberOfReturns: return returns.by_number_of_returns;
        case Histogram::Classification: return acc.ClassificationCount;
        case Histogram::Intensity: return acc.IntensityCount;
        case Histogram::ScanAngleRank: return acc.ScanAngleRankCount;
        case Histogram::UserData: return acc.UserDataCount;
        case Histogram::PointSourceID: return acc.PointSourceIDCount;
    }
    return {};
}

}  // namespace

std::span<std::uint64_t> section_bins(Histogram histogram, Accumulator &acc, ReturnTables &returns) {
    return bins_of<std::uint64_t>(histogram, acc, returns);
}

std::span<const std::uint64_t> section_bins(Histogram histogram, const Accumulator &acc,
                                            const ReturnTables &returns) {
    return bins_of<const std::uint64_t>(histogram, acc, returns);
}

namespace {

// Return numbers 1 to 4 read 1st, 2nd, 3rd, 4th; 5 to 15 read 5th to 15th
// (11th, 12th and 13th among them).
const char *ordinal_suffix(int bin) {
    static const char *const kSuffix[10] = {"th", "st", "nd", "rd", "th", "th", "th", "th", "th", "th"};
    return bin % 100 >= 11 && bin % 100 <= 13 ? "th" : kSuffix[bin % 10];
}

}  // namespace

int format_section_line(char *buffer, std::size_t size, const SectionLayout &section, const char *pattern, int bin,
                        std::uint64_t count) {
    return std::snprintf(buffer, size, pattern, bin + section.key_offset, ordinal_suffix(bin), as_double(count));
}

void print_section(std::FILE *out, const SectionLayout &section, std::span<const std::uint64_t> bins,
                   const char *pattern) {
    for (int bin = section.first; bin <= section.last; ++bin) {
        const std::uint64_t count = bins[static_cast<std::size_t>(bin)];
        const int key = bin + section.key_offset;
        if (count > 0 || key <= section.always_up_to)
            std::fprintf(out, pattern, key, ordinal_suffix(bin), as_double(count));
    }
}

void print_sections(std::FILE *out, const Accumulator &acc, const ReturnTables &returns, bool detailed,
                    bool console) {
    for (const SectionLayout &section : kSections) {
        if (section.detailed && !detailed) break;
        if (console && section.blank_line_before) std::fprintf(out, "\n");
        print_section(out, section, section_bins(section.histogram, acc, returns),
                      console ? section.console : section.file);
    }
}

}  // namespace pointsieve

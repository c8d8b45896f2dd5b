// Writing the tables of a run.
#include "tables.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cells.hpp"
#include "check_table.hpp"
#include "csv.hpp"
#include "file_util.hpp"
#include "judge.hpp"
#include "process.hpp"
#include "run_failure.hpp"
#include "stats_file.hpp"
#include "verdict.hpp"

namespace pointsieve::qa {

namespace {

using korvane::printable_name;

// A name in a TSV field: tab, line ends and backslash escaped.
void append_tsv(std::string &line, const std::string &field) {
    guard_tsv_cell(line, field);
    for (const char c : field) {
        switch (c) {
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            case '\\': line += "\\\\"; break;
            default: line += c;
        }
    }
}

bool put(std::FILE *f, const std::string &s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

// Flushes and closes a table of the new folder written so far with ok;
// ends the run, naming the table, when any step failed.
void close_table(korvane::FilePtr &f, bool ok, const char *table, OutDir &out) {
    ok = ok && std::fflush(f.get()) == 0 && !std::ferror(f.get());
    ok = f && std::fclose(f.release()) == 0 && ok;
    if (!ok) {
        std::printf("\nCannot write %s: %s\n", printable_name(out.target + "/" + table).c_str(), std::strerror(errno));
        fail_run(out);
    }
}

}  // namespace

long long write_archive(const Delivered &d, OutDir &out) {
    const MergedFigures &merged = *d.merged;
    if (merged.files == 0) return 0;
    const std::string name = out.temp + "/archive_stats.asc";
    korvane::FilePtr f = korvane::open_file(name.c_str(), "w");
    bool ok = static_cast<bool>(f);
    if (ok) {
        write_stats(f.get(), merged_texts(merged), merged.acc, merged.returns, merged_detailed(merged));
        ok = std::fflush(f.get()) == 0 && !std::ferror(f.get());
        ok = std::fclose(f.release()) == 0 && ok;
    }
    if (!ok) {
        std::printf("\nCannot write %s: %s\n", printable_name(out.target + "/archive_stats.asc").c_str(), std::strerror(errno));
        fail_run(out);
    }
    return merged.files;
}

void write_holes(const Delivery &delivery, OutDir &out) {
    const std::string name = out.temp + "/holes.csv";
    korvane::FilePtr f = korvane::open_file(name.c_str(), "wb");
    bool ok = f && put(f.get(), "tile,column,row,x_min,x_max,y_min,y_max\n");
    for (std::size_t k = 0; ok && k < delivery.holes.size(); ++k) {
        const Hole &h = delivery.holes[k];
        char line[200];
        std::snprintf(line, sizeof line, ",%lld,%lld,%.10g,%.10g,%.10g,%.10g\n", static_cast<long long>(h.column),
                      static_cast<long long>(h.row), h.cell.x0, h.cell.x1, h.cell.y0, h.cell.y1);
        ok = put(f.get(), line);
    }
    // The tiles of the index that were not delivered, by name, with their
    // footprint's box where the index gives one.
    std::string row;
    for (std::size_t k = 0; ok && k < delivery.missing.size(); ++k) {
        const MissingTile &m = delivery.missing[k];
        row.clear();
        append_csv_field(row, m.name);
        char box[200] = ",,,,,,";
        if (m.has_box) std::snprintf(box, sizeof box, ",,,%.10g,%.10g,%.10g,%.10g", m.box.x0, m.box.x1, m.box.y0, m.box.y1);
        row += box;
        row += '\n';
        ok = put(f.get(), row);
    }
    close_table(f, ok, "holes.csv", out);
}

void write_lines(const FlightLines &lines, const std::vector<LineJudgement> &judged, OutDir &out) {
    const std::string name = out.temp + "/lines.csv";
    korvane::FilePtr f = korvane::open_file(name.c_str(), "wb");
    close_table(f, f && write_lines_table(f.get(), lines, judged), "lines.csv", out);
}

Tally write_tables(Delivered &d, const Delivery &delivery, const Limits &limits, OutDir &out) {
    const std::string table_name = out.temp + "/tiles.csv", verdicts_name = out.temp + "/verdicts.tsv";
    korvane::FilePtr table = korvane::open_file(table_name.c_str(), "wb");
    korvane::FilePtr verdicts = korvane::open_file(verdicts_name.c_str(), "wb");
    bool ok = table && verdicts;
    Tally tally;
    tally.counts.assign(kChecks.size(), {});
    std::string line;
    for (std::size_t c = 0; c < kFactColumns; ++c) {
        if (c > 0) line += ',';
        line += kColumnNames[c];
    }
    for (const CheckEntry &check : kChecks) {
        line += ",check:";
        line += check.name;
    }
    line += '\n';
    ok = ok && put(table.get(), line);
    std::string lines;
    // The rows set aside are read back as any reader of tiles.csv reads it,
    // so that a name holding a line end, a quote or a comma stays one field.
    TableReader rows;
    ok = ok && std::fflush(d.rows.get()) == 0 && korvane::seek_to(d.rows.get(), 0);
    if (ok) adopt_table(rows, std::move(d.rows), ',');
    std::vector<std::string> fields;
    for (std::size_t k = 0; ok && k < facts_count(d.facts); ++k) {
        if (!next_row(rows, fields) || rows.cut_short || fields.size() != kFactColumns) {
            if (!rows.failed) errno = EIO;  // a row set aside that does not read back
            ok = false;
            break;
        }
        line.clear();
        for (std::size_t c = 0; c < kFactColumns; ++c) {
            if (c > 0) line += ',';
            append_csv_field(line, fields[c]);
        }
        lines.clear();
        bool failed = false;
        for (std::size_t check = 0; check < kChecks.size(); ++check) {
            const Judgement j = judge(limits, delivery, d.facts, d.names, k, check);
            line += ',';
            line += verdict_cell(j.verdict);
            if (j.verdict == Verdict::NotApplicable) continue;
            ++tally.counts[check][static_cast<std::size_t>(j.verdict) - 1];
            if (j.verdict == Verdict::Pass) continue;
            failed = failed || j.verdict == Verdict::Fail;
            lines += verdict_cell(j.verdict);
            lines += "\t";
            lines += std::string(kChecks[check].name) + "\t";
            append_tsv(lines, name_at(d.names, k));
            lines += "\t";
            append_tsv(lines, j.value);
            lines += "\t" + j.limit + "\n";
        }
        tally.failing_tiles += failed;
        line += '\n';
        ok = put(table.get(), line) && put(verdicts.get(), lines);
    }
    for (std::size_t c = 0; ok && c < kChecks.size(); ++c) {
        char text[200];
        std::snprintf(text, sizeof text, "total\t%s\tpass=%llu warn=%llu fail=%llu\n", kChecks[c].name,
                      static_cast<unsigned long long>(tally.counts[c][0]),
                      static_cast<unsigned long long>(tally.counts[c][1]),
                      static_cast<unsigned long long>(tally.counts[c][2]));
        ok = put(verdicts.get(), text);
    }
    for (korvane::FilePtr *f : {&table, &verdicts}) {
        if (!*f) continue;
        ok = std::fflush(f->get()) == 0 && !std::ferror(f->get()) && ok;
        ok = std::fclose(f->release()) == 0 && ok;
    }
    if (!ok) {
        std::printf("\nCannot write the tables in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    d.rows.reset();
    rows.file.reset();  // closed before it is removed, as Windows asks
    std::remove(d.rows_name.c_str());
    return tally;
}

}  // namespace pointsieve::qa

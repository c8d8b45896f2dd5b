// Checking that the shards of a combine make one run, by the records their
// runs left in their markers, and that the combine's OUTDIR spares them.
#include "shard_set.hpp"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>

#include "outdir.hpp"
#include "paths.hpp"
#include "process.hpp"

namespace pointsieve::qa {

namespace {

namespace fs = std::filesystem;
using korvane::printable_name;

std::string shard_text(const RunRecord &r) {
    char text[64];
    std::snprintf(text, sizeof text, "%" PRIu64 "/%" PRIu64, r.shard_k, r.shard_n);
    return text;
}

[[noreturn]] void refuse(const std::string &what) {
    std::printf("\n%s\n", what.c_str());
    korvane::end_with_failure();
}

// "Folder NAME (shard K/N)", for the messages.
std::string named(const Shard &s) {
    return std::string("folder ") + printable_name(s.dir).c_str() + " (shard " + shard_text(s.record) + ")";
}

// Whether inner is outer or lies inside it, both real paths.
bool lies_within(const fs::path &inner, const fs::path &outer) {
    auto i = inner.begin(), o = outer.begin();
    while (i != inner.end() && o != outer.end() && *i == *o) ++i, ++o;
    return o == outer.end();
}

void check_outdir(const Options &o, const std::vector<Shard> &shards) {
    std::string target;
    if (!follow_outdir(o.outdir, target)) korvane::end_with_failure();
    std::error_code ec;
    const fs::path out = fs::weakly_canonical(fs::absolute(fs::path(target), ec), ec);
    if (ec) return;  // begin_outdir says why it cannot be written
    for (const Shard &s : shards) {
        const fs::path dir = fs::canonical(fs::path(s.dir), ec);
        if (ec) continue;
        if (lies_within(out, dir) || lies_within(dir, out))
            refuse("Output folder " + std::string(printable_name(o.outdir).c_str()) +
                   (lies_within(out, dir) ? " is, or lies inside, " : " holds ") + named(s) +
                   ": the combine would replace it");
    }
}

}  // namespace

std::vector<Shard> check_shards(const Options &o, RunRecord &combined) {
    std::vector<Shard> shards;
    for (const InputWord &w : o.inputs) {
        Shard s{w.text, {}};
        while (s.dir.size() > 1 && is_separator(s.dir.back())) s.dir.pop_back();
        const Marker m = read_marker(s.dir, s.record);
        if (m == Marker::None)
            refuse("Folder " + std::string(printable_name(s.dir).c_str()) + " holds no output of Pointsieve-qa");
        if (m == Marker::Earlier)
            refuse("Folder " + std::string(printable_name(s.dir).c_str()) +
                   " was written by an earlier version of Pointsieve-qa, which kept no record of its shard: "
                   "audit it again");
        shards.push_back(s);
    }
    const Shard first = shards.front();
    for (const Shard &s : shards) {
        const RunRecord &a = first.record, &b = s.record;
        if (b.shard_n != a.shard_n)
            refuse("The shards are not of one run: " + named(first) + " is one of " + std::to_string(a.shard_n) +
                   ", " + named(s) + " one of " + std::to_string(b.shard_n));
        if (b.tiles != a.tiles || b.list_digest != a.list_digest)
            refuse("The shards are not of one run: " + named(s) + " sliced another list of tiles than " + named(first));
        if (b.limits_digest != a.limits_digest)
            refuse("The shards are not of one run: " + named(s) + " was judged by other limits than " + named(first));
        if (b.detailed != a.detailed)
            refuse("The shards are not of one run: " + named(s) + (b.detailed ? " ran with -d, " : " ran without -d, ") +
                   named(first) + (a.detailed ? " with it" : " without it"));
    }
    std::stable_sort(shards.begin(), shards.end(),
                     [](const Shard &a, const Shard &b) { return a.record.shard_k < b.record.shard_k; });
    for (std::size_t k = 1; k < shards.size(); ++k) {
        if (shards[k].record.shard_k == shards[k - 1].record.shard_k)
            refuse("Shard " + shard_text(shards[k].record) + " is given twice: " + named(shards[k - 1]) + " and " +
                   named(shards[k]));
    }
    // Distinct and sorted: the first K that does not follow is missing.
    std::uint64_t next = 1;
    for (const Shard &s : shards) {
        if (s.record.shard_k != next) break;
        ++next;
    }
    if (next <= first.record.shard_n) {
        RunRecord missing = first.record;
        missing.shard_k = next;
        refuse("Shard " + shard_text(missing) + " is missing: the combine needs every shard of the run");
    }
    check_outdir(o, shards);
    combined = first.record;
    combined.shard_k = combined.shard_n = 1;
    combined.limits_digest = o.limits_digest;
    return shards;
}

}  // namespace pointsieve::qa

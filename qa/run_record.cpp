// The record of a run: written as lines of the marker file after its first
// line, read back by a combine.
#include "run_record.hpp"

#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "check_table.hpp"
#include "file_util.hpp"

namespace pointsieve::qa {

namespace {

constexpr std::uint64_t kFnvBasis = 14695981039346656037ull, kFnvPrime = 1099511628211ull;

void fnv(std::uint64_t &h, const void *data, std::size_t size) {
    const auto *p = static_cast<const unsigned char *>(data);
    for (std::size_t k = 0; k < size; ++k) h = (h ^ p[k]) * kFnvPrime;
}

void fnv_text(std::uint64_t &h, const std::string &s) { fnv(h, s.data(), s.size()); }

// A name with its length before it (eight bytes, least significant first),
// so that no two lists of names give the same bytes.
void fnv_name(std::uint64_t &h, const std::string &name) {
    unsigned char length[8];
    for (int k = 0; k < 8; ++k) length[k] = static_cast<unsigned char>(static_cast<std::uint64_t>(name.size()) >> (8 * k));
    fnv(h, length, sizeof length);
    fnv_text(h, name);
}

// The words of a line of the marker.
std::vector<std::string> words_of(const std::string &line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = line.find(' ', at);
        words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return words;
}

bool read_number(const std::string &text, int base, std::uint64_t &v) {
    if (text.empty() || text.size() > 20) return false;
    char *end = nullptr;
    v = std::strtoull(text.c_str(), &end, base);
    return *end == '\0' && text[0] != '-' && text[0] != '+';
}

}  // namespace

std::uint64_t limits_digest(const Limits &limits) {
    std::uint64_t h = kFnvBasis;
    for (std::size_t k = 0; k < limits.criteria.size(); ++k) {
        const Criterion &c = limits.criteria[k];
        fnv_text(h, std::string(c.name) + " warn " + limit_text(c.warn) + "\n" + c.name + " fail " +
                        limit_text(c.fail) + "\n");
        if (limits.criterion_off[k]) fnv_text(h, std::string(c.name) + " ignore 1\n");
    }
    for (std::size_t k = 0; k < limits.check_off.size() && k < kChecks.size(); ++k)
        if (limits.check_off[k]) fnv_text(h, std::string(kChecks[k].name) + " ignore 1\n");
    return h;
}

RunRecord run_record(const Options &o, const TileInputs &tiles) {
    RunRecord r;
    r.shard_k = o.sharded ? o.shard_k : 1;
    r.shard_n = o.sharded ? o.shard_n : 1;
    r.detailed = o.detailed;
    r.tiles = tiles.names.starts.size();
    r.list_digest = kFnvBasis;
    for (std::size_t k = 0; k < r.tiles; ++k) fnv_name(r.list_digest, name_at(tiles.names, k));
    r.limits_digest = o.limits_digest;
    return r;
}

std::string marker_text(const RunRecord &r) {
    char text[200];
    std::snprintf(text, sizeof text, "shard %" PRIu64 "/%" PRIu64 "\ntiles %" PRIu64 " %016" PRIx64 "\nlimits %016" PRIx64 "\n",
                  r.shard_k, r.shard_n, r.tiles, r.list_digest, r.limits_digest);
    return std::string("Pointsieve-qa\n") + (r.detailed ? "detailed\n" : "") + text;
}

Marker read_marker(const std::string &dir, RunRecord &r) {
    const korvane::FilePtr f = korvane::open_file((dir + "/" + kMarkerName).c_str(), "rb");
    if (!f) return Marker::None;
    char text[4096];
    const std::size_t got = std::fread(text, 1, sizeof text, f.get());
    const std::string s(text, got);
    if (!s.starts_with("Pointsieve-qa\n")) return Marker::None;
    if (std::ferror(f.get()) || got == sizeof text) return Marker::Earlier;
    r = RunRecord{};
    bool shard = false, tiles = false, limits = false, lines_known = true;
    for (std::size_t at = std::strlen("Pointsieve-qa\n"); at < s.size();) {
        std::size_t end = s.find('\n', at);
        if (end == std::string::npos) end = s.size();
        const std::vector<std::string> w = words_of(s.substr(at, end - at));
        at = end + 1;
        const std::size_t slash = w.size() == 2 ? w[1].find('/') : std::string::npos;
        if (w.size() == 1 && w[0] == "detailed") {
            r.detailed = true;
        } else if (w.size() == 2 && w[0] == "shard" && slash != std::string::npos) {
            shard = read_number(w[1].substr(0, slash), 10, r.shard_k) && read_number(w[1].substr(slash + 1), 10, r.shard_n) &&
                    r.shard_k >= 1 && r.shard_k <= r.shard_n;
        } else if (w.size() == 3 && w[0] == "tiles") {
            tiles = read_number(w[1], 10, r.tiles) && w[2].size() == 16 && read_number(w[2], 16, r.list_digest);
        } else if (w.size() == 2 && w[0] == "limits") {
            limits = w[1].size() == 16 && read_number(w[1], 16, r.limits_digest);
        } else if (!w.empty()) {
            lines_known = false;
        }
    }
    return shard && tiles && limits && lines_known ? Marker::Whole : Marker::Earlier;
}

}  // namespace pointsieve::qa

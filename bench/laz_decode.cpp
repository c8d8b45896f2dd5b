// Decodes every chunk of a LAZ file, one after the other on one core, and
// prints the points a second and the SHA-256 of the decoded records (the
// LAS point records, to compare with a twin's or a published digest).
// With `skip`, the colours, NIR and wave packets of layered chunks are left
// undecoded, as the audit leaves them.
//
//   bench_laz_decode FILE.laz [ROUNDS [skip]]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chunk_decoder.hpp"
#include "laz_file.hpp"

namespace {

// SHA-256, fed in pieces.
struct Sha256 {
    std::array<std::uint32_t, 8> h{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    unsigned char block[64] = {};
    std::size_t filled = 0;
    std::uint64_t bytes = 0;
};

constexpr std::uint32_t kRounds[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t rotate(std::uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

void compress(Sha256 &s, const unsigned char *p) {
    std::uint32_t w[64];
    for (int k = 0; k < 16; ++k)
        w[k] = std::uint32_t{p[4 * k]} << 24 | std::uint32_t{p[4 * k + 1]} << 16 | std::uint32_t{p[4 * k + 2]} << 8 |
               p[4 * k + 3];
    for (int k = 16; k < 64; ++k) {
        const std::uint32_t s0 = rotate(w[k - 15], 7) ^ rotate(w[k - 15], 18) ^ (w[k - 15] >> 3);
        const std::uint32_t s1 = rotate(w[k - 2], 17) ^ rotate(w[k - 2], 19) ^ (w[k - 2] >> 10);
        w[k] = w[k - 16] + s0 + w[k - 7] + s1;
    }
    std::array<std::uint32_t, 8> v = s.h;
    for (int k = 0; k < 64; ++k) {
        const std::uint32_t t1 = v[7] + (rotate(v[4], 6) ^ rotate(v[4], 11) ^ rotate(v[4], 25)) +
                                 ((v[4] & v[5]) ^ (~v[4] & v[6])) + kRounds[k] + w[k];
        const std::uint32_t t2 =
            (rotate(v[0], 2) ^ rotate(v[0], 13) ^ rotate(v[0], 22)) + ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
        v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (int k = 0; k < 8; ++k) s.h[k] += v[k];
}

void feed(Sha256 &s, const unsigned char *p, std::size_t n) {
    s.bytes += n;
    while (n > 0) {
        const std::size_t take = std::min(n, 64 - s.filled);
        std::memcpy(s.block + s.filled, p, take);
        s.filled += take, p += take, n -= take;
        if (s.filled == 64) compress(s, s.block), s.filled = 0;
    }
}

std::string finish(Sha256 &s) {
    const std::uint64_t bits = s.bytes * 8;
    const unsigned char one = 0x80, zero = 0;
    feed(s, &one, 1);
    while (s.filled != 56) feed(s, &zero, 1);
    unsigned char length[8];
    for (int k = 0; k < 8; ++k) length[k] = static_cast<unsigned char>(bits >> (56 - 8 * k));
    feed(s, length, 8);
    std::string hex;
    char digits[9];
    for (std::uint32_t v : s.h) std::snprintf(digits, sizeof digits, "%08x", v), hex += digits;
    return hex;
}

}  // namespace

int main(int argc, char **argv) {
    using namespace pointsieve::laz;
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_laz_decode FILE.laz [ROUNDS [skip]]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const bool skip = argc > 3 && std::strcmp(argv[3], "skip") == 0;
    std::FILE *in = std::fopen(argv[1], "rb");
    if (!in) return 1;
    std::vector<unsigned char> file;
    unsigned char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) file.insert(file.end(), buffer, buffer + n);
    std::fclose(in);
    LazFile f;
    LazChunkDecoder d;
    std::string problem;
    if (!read_laz_file(file.data(), file.size(), f, problem) || !setup_chunk_decoder(d, f.vlr, problem)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());
        return 1;
    }
    if (skip) skip_fields(d, kSkipRgb | kSkipNir | kSkipWavePackets);
    std::vector<unsigned char> records;
    double best = 1e30;
    std::string digest;
    for (int round = 0; round < rounds; ++round) {
        Sha256 sha;
        double seconds = 0;
        for (const LazChunk &c : f.chunks) {
            records.resize(c.points * f.record_length);
            const auto start = std::chrono::steady_clock::now();
            start_chunk(d, file.data() + c.offset, c.bytes);
            if (!decode_records(d, c.points, records.data(), problem)) {
                std::fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());
                return 1;
            }
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            feed(sha, records.data(), records.size());
        }
        best = std::min(best, seconds);
        digest = finish(sha);
    }
    std::printf("%s: %llu points in %zu chunks, %.3f s, %.2f M points/s (best of %d%s)\nSHA-256 %s\n", argv[1],
                static_cast<unsigned long long>(f.points), f.chunks.size(), best, f.points / best / 1e6, rounds,
                skip ? ", colours and wave packets skipped" : "", digest.c_str());
    return 0;
}

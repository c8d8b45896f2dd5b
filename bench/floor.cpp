// The floor of the benchmark: reads files in 1 MiB blocks and touches every
// 8-byte word, which is the least any summary of them has to do.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char **argv) {
    std::vector<unsigned char> block(std::size_t{1} << 20);
    std::uint64_t sum = 0;
    for (int a = 1; a < argc; ++a) {
        std::unique_ptr<std::FILE, int (*)(std::FILE *)> f(std::fopen(argv[a], "rb"), &std::fclose);
        if (!f) {
            std::printf("cannot open %s\n", argv[a]);
            return 1;
        }
        std::size_t got;
        while ((got = std::fread(block.data(), 1, block.size(), f.get())) > 0) {
            const std::size_t words = got / 8;
            for (std::size_t k = 0; k < words; ++k) {
                std::uint64_t w;
                std::memcpy(&w, block.data() + k * 8, 8);
                sum += w;
            }
        }
    }
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}

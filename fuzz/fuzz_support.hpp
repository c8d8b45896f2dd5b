// Helpers shared by the fuzz targets: the scratch file that holds the current
// input, and a hard stop for a broken invariant.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// Ends the run with a crash that libFuzzer records as a finding, after
// saying which invariant broke.
[[noreturn]] inline void broken(const char *what) {
    std::fprintf(stderr, "\nfuzz invariant broken: %s\n", what);
    std::abort();
}

inline void require(bool ok, const char *what) {
    if (!ok) broken(what);
}

// A file in the current working directory that holds the input under test.
// The process id keeps parallel jobs apart; the file is removed at exit.
class ScratchFile {
public:
    // suffix ends the name, extension included (".las", ".txt").
    explicit ScratchFile(const std::string &suffix)
        : name_("fuzz-" + std::to_string(static_cast<long>(getpid())) + suffix) {}
    ~ScratchFile() { std::remove(name_.c_str()); }
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    const std::string &name() const { return name_; }

    void write(const std::uint8_t *data, std::size_t size) const {
        std::FILE *f = std::fopen(name_.c_str(), "wb");
        require(f != nullptr, "cannot create the scratch file in the working directory");
        const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
        require(std::fclose(f) == 0 && ok, "cannot write the scratch file");
    }

    std::vector<std::uint8_t> read() const {
        std::vector<std::uint8_t> bytes;
        std::FILE *f = std::fopen(name_.c_str(), "rb");
        require(f != nullptr, "cannot reopen the scratch file");
        std::uint8_t chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(f);
        return bytes;
    }

private:
    std::string name_;
};

// Little-endian fields of the input bytes, zero when the input is too short.
inline std::uint32_t u32_at(const std::uint8_t *data, std::size_t size, std::size_t at) {
    if (at + 4 > size) return 0;
    return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
}

inline std::uint16_t u16_at(const std::uint8_t *data, std::size_t size, std::size_t at) {
    if (at + 2 > size) return 0;
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

}  // namespace fuzz

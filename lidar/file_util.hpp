// Files as the readers and writers of LAS data use them: ownership, opening
// without blocking, 64-bit sizes and seeks, positioned writes, the file-size
// signal, and the size of read blocks; file_util.cpp holds their POSIX and
// Windows forms. Internal to the project; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace korvane {

struct FileCloser {
    void operator()(std::FILE *f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen under RAII. Modes name binary ("rb", "r+b") or text ("r", "w")
// explicitly; on Windows a text stream writes CR LF line ends.
inline FilePtr open_file(const char *name, const char *mode) { return FilePtr(std::fopen(name, mode)); }

enum class OpenOutcome { Ok, CannotOpen, NotRegular };

// Opens a regular file for binary reading, or for reading and writing. The
// open itself does not block, so a FIFO or a device is refused (NotRegular)
// rather than waited on. On CannotOpen, errno tells why.
FilePtr open_regular_file(const char *name, OpenOutcome &outcome, bool for_update = false);

// Writes n bytes at an absolute offset of the file behind f, past its
// stream buffer, and returns how many were written before a failure (n on
// success).
std::size_t write_at(std::FILE *f, std::uint64_t offset, const unsigned char *bytes, std::size_t n);

// Asks the system to put what was written to f on the storage device.
bool sync_to_storage(std::FILE *f);

// True when name is a folder (following links).
bool is_folder(const char *name);

// True when both names exist and are one file (the same device and inode,
// or on Windows the same volume and file index, following links).
bool same_file(const char *a, const char *b);

// True when name can be opened for reading; the open does not block.
bool opens_for_reading(const char *name);

// Size of the file behind f in bytes, asked of its descriptor (fstat); -1
// when it cannot be found.
std::int64_t descriptor_size(std::FILE *f);

// Seeks to an absolute byte offset; offsets past 4 GiB work everywhere.
bool seek_to(std::FILE *f, std::uint64_t offset);

// While held, SIGXFSZ is ignored, so that a write beyond a file-size limit
// fails (EFBIG) and can be reported, instead of ending the process without
// a word. Holds nest; does nothing where the signal does not exist.
void hold_file_size_signal();
void release_file_size_signal();

// Size of block reads: the largest multiple of the record size that fits in
// 1 MiB, so that every block holds whole records.
inline constexpr std::size_t block_bytes_for(std::size_t record_size) {
    constexpr std::size_t target = std::size_t{1} << 20;
    return (target / record_size) * record_size;
}

}  // namespace korvane

// Files as the readers and writers of LAS data use them: ownership, opening
// without blocking, 64-bit sizes and seeks, the size of read blocks, and the
// failure status. Every call that differs between POSIX and Windows lives in
// file_util.cpp. Internal to the library and the command; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

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

// True when name can be opened for reading; the open does not block.
bool opens_for_reading(const char *name);

// Size of the file behind f in bytes, or -1 when it cannot be found. Leaves
// the stream at its start.
std::int64_t stream_size(std::FILE *f);

// Seeks to an absolute byte offset; offsets past 4 GiB work everywhere.
bool seek_to(std::FILE *f, std::uint64_t offset);

// Size of block reads: the largest multiple of the record size that fits in
// 1 MiB, so that every block holds whole records.
inline constexpr std::size_t block_bytes_for(std::size_t record_size) {
    constexpr std::size_t target = std::size_t{1} << 20;
    return (target / record_size) * record_size;
}

// While held, SIGXFSZ is ignored, so that a write beyond a file-size limit
// fails (EFBIG) and can be reported, instead of ending the process without
// a word. Holds nest; does nothing where the signal does not exist.
void hold_file_size_signal();
void release_file_size_signal();

// A file written under a temporary name in the folder of the name it is to
// replace, and renamed over that name only once it is whole. Whatever the
// name held before (a file, a link, a FIFO) is replaced, never opened or
// followed; a run that fails or is killed leaves either the earlier file or
// the new one, and at most the temporary file beside it.
struct Replacement {
    FilePtr file;           // text stream on the temporary file
    std::string temp_name;  // "<target>.tmp.XXXXXX"
    std::string target;
};

// Creates the temporary file for target. False, with errno set, when it
// cannot be created. While r.file is open, SIGXFSZ is ignored, so that a
// file-size limit makes a write fail instead of killing the process.
bool begin_replacement(const std::string &target, Replacement &r);

// Flushes and closes the temporary file, gives it the permissions a new
// file gets (0666 less the umask), and renames it over the target. On any
// failure removes the temporary file and returns false; the target is then
// as it was.
bool finish_replacement(Replacement &r);

// Closes and removes the temporary file without touching the target.
void abandon_replacement(Replacement &r);

// A name as it is to be printed on standard output. On a terminal its
// control characters (bytes 1 to 31 and 127) show as '?', as ls shows them,
// so that a name cannot move the cursor, clear the screen or retitle the
// window; to a file or a pipe it goes byte for byte as it is. Only a name
// that needs changing is copied, so that printing a name allocates nothing
// in the usual case (and never fails: without memory for the copy, the
// name is printed as it is).
struct ShownName {
    const char *name;
    std::string changed;
    const char *c_str() const noexcept { return changed.empty() ? name : changed.c_str(); }
};
ShownName shown(const char *name) noexcept;
inline ShownName shown(const std::string &name) noexcept { return shown(name.c_str()); }

// Exit status of every failure, on every platform: what exit(-1) gives on
// POSIX, and a positive ERRORLEVEL that "if errorlevel 1" sees on Windows.
inline constexpr int kFailureStatus = 255;

// Flushes standard output and ends the process with kFailureStatus.
[[noreturn]] void end_with_failure();

// Gives a closed standard descriptor (0, 1 or 2) a placeholder on which
// every write fails, so that a file opened later cannot take its number and
// receive what was meant for the console. Does nothing where descriptors
// are not inherited this way.
void guard_standard_streams();

}  // namespace korvane

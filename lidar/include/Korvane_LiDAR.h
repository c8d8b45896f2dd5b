/*
 * Korvane_LiDAR: routines for LAS 1.0, 1.1 and 1.2 LiDAR files.
 *
 * This header compiles as C (C11 or later) and as C++. It declares:
 *
 *   - the LAS public header block of versions 1.0, 1.1 and 1.2 and the point
 *     records of point data formats 0 to 3, as packed structs;
 *   - twenty routines, in six families: file checks, messages and banner;
 *     LAS validation; header recomputation; header initialisation;
 *     index-carrying quicksorts; argument validators.
 *
 * General rules, which hold for every routine unless its own comment says
 * otherwise:
 *
 *   - Output. Every message goes to standard output; nothing is written to
 *     standard error. Most messages begin with a newline, so that they start
 *     on a fresh line after a progress line. There are no log levels and no
 *     way to silence a routine.
 *   - Failure. The checks (file_access, check_file_extension, check_las,
 *     check_YN) print why and return a code, leaving the decision to stop to
 *     the caller. Three routines end the process instead: update_header,
 *     check_numeric_argument and check_DEM print a message and call exit()
 *     with the failure status, which the parent process sees as 255 on every
 *     platform. For them, returning at all means success.
 *   - Threads. The library starts no threads and keeps no state between
 *     calls. Calls on different data may run at the same time on different
 *     threads, but their messages then share one standard output.
 *   - Pointers. Every pointer argument must be valid and not NULL; names are
 *     NUL-terminated byte strings, used as given (a relative name resolves
 *     against the current directory).
 *
 * The version of the library is given by KORVANE_LIDAR_VERSION_MAJOR,
 * KORVANE_LIDAR_VERSION_MINOR, KORVANE_LIDAR_VERSION_PATCH and
 * KORVANE_LIDAR_VERSION_STRING (such as "1.0.0"), defined below. The build
 * reads the project version from these lines, so they are the one place it
 * is written.
 */
#ifndef KORVANE_LIDAR_H
#define KORVANE_LIDAR_H

#define KORVANE_LIDAR_VERSION_MAJOR 1
#define KORVANE_LIDAR_VERSION_MINOR 1
#define KORVANE_LIDAR_VERSION_PATCH 0
#define KORVANE_LIDAR_VERSION_STRING "1.1.0"

#include <stddef.h>
#include <stdint.h>

/* KORVANE_LIDAR_BUILD: compiling the library itself as a DLL.
 * KORVANE_LIDAR_DLL: using Korvane_LiDAR.dll (the CMake package sets it).
 * Neither: building or using the static library. */
#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(KORVANE_LIDAR_BUILD)
#define KORVANE_API __declspec(dllexport)
#elif defined(KORVANE_LIDAR_DLL)
#define KORVANE_API __declspec(dllimport)
#else
#define KORVANE_API
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define KORVANE_API __attribute__((visibility("default")))
#else
#define KORVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ========================================================================
 * Records
 * ========================================================================
 *
 * The records are byte-exact images of the LAS public header block (227
 * bytes) and of the point records of formats 0 to 3 (20, 28, 26 and 34
 * bytes): packed, with no padding, each field at its offset in the file, and
 * named as the LAS 1.2 format names it. The compile-time checks after the
 * records hold the sizes and the main offsets.
 *
 * Byte order. The LAS 1.2 format stores every multi-byte field
 * little-endian. In memory the records hold host-order values: the library
 * converts at the file boundary whenever it reads or writes a file. A caller
 * that writes records to a file itself, as the examples do with fwrite(),
 * must write them little-endian: on a little-endian host the bytes in memory
 * are already the bytes of the file; on a big-endian host every multi-byte
 * field must be byte-swapped first. The same holds the other way for a
 * caller that reads records from a file itself.
 *
 * The three header records share one layout. They differ only in the names
 * of the fields at offsets 4 to 7 (LAS 1.0 reserves all four bytes, LAS 1.1
 * the last two) and at offsets 90 to 93 (LAS 1.0 holds the flight date
 * there). check_las() and update_header() read all three through the same
 * offsets.
 */

#pragma pack(push, 1)

/* Public header block of a LAS 1.2 file (227 bytes). The header may be
 * longer in the file (HeaderSize); the bytes beyond 227 are not part of this
 * record. OffsetToData is where the first point record starts, after any
 * variable-length records. NumberOfPointsByReturn[k] counts the points with
 * return number k + 1. A real coordinate is Offset + ScaleFactor * the
 * integer coordinate of a point record; the six bounds are real coordinates. */
typedef struct LAS12Header {
    char LASF[4];
    uint16_t FileSourceID;
    uint16_t GlobalEncoding;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS12Header;

/* Public header block of a LAS 1.1 file: same layout, bytes 6-7 reserved. */
typedef struct LAS11Header {
    char LASF[4];
    uint16_t FileSourceID;
    uint16_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FileCreationDay;
    uint16_t FileCreationYear;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS11Header;

/* Public header block of a LAS 1.0 file: bytes 4-7 reserved, flight date. */
typedef struct LAS10Header {
    char LASF[4];
    uint32_t Reserved;
    uint32_t GUIDData1;
    uint16_t GUIDData2;
    uint16_t GUIDData3;
    uint8_t GUIDData4[8];
    uint8_t VersionMajor;
    uint8_t VersionMinor;
    char SystemIdentifier[32];
    char GeneratingSoftware[32];
    uint16_t FlightDateJulian;
    uint16_t Year;
    uint16_t HeaderSize;
    uint32_t OffsetToData;
    uint32_t NumberOfVariableLengthRecords;
    uint8_t PointDataFormatID;
    uint16_t PointDataRecordLength;
    uint32_t NumberOfPointReturns;
    uint32_t NumberOfPointsByReturn[5];
    double XScaleFactor;
    double YScaleFactor;
    double ZScaleFactor;
    double XOffset;
    double YOffset;
    double ZOffset;
    double MaxX;
    double MinX;
    double MaxY;
    double MinY;
    double MaxZ;
    double MinZ;
} LAS10Header;

/* Point record, format 0 (20 bytes). X, Y and Z are integer coordinates, to
 * be scaled and offset by the header's factors.
 *
 * bitfield: bits 0-2 return number, bits 3-5 number of returns, bit 6 scan
 * direction, bit 7 edge of flight line. It is signed (int8_t) because it
 * mirrors the record byte as this interface has always declared it, so bit 7
 * is the sign bit. Every use masks bits, so the sign never matters: the
 * return number is bitfield & 7 and the number of returns
 * ((uint8_t)bitfield >> 3) & 7. Callers should mask the same way.
 *
 * ScanAngleRank is a signed byte in the file (-90 to 90 degrees) and is kept
 * here as its raw value 0 to 255: convert with (int8_t) to read the angle. */
typedef struct LAS12fm0 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
} LAS12fm0;

/* Point record, format 1 (28 bytes): format 0 plus GPS time. */
typedef struct LAS12fm1 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    double GPSTime;
} LAS12fm1;

/* Point record, format 2 (26 bytes): format 0 plus colour. */
typedef struct LAS12fm2 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm2;

/* Point record, format 3 (34 bytes): format 0 plus GPS time and colour. */
typedef struct LAS12fm3 {
    int32_t X;
    int32_t Y;
    int32_t Z;
    uint16_t Intensity;
    int8_t bitfield;
    uint8_t Classification;
    uint8_t ScanAngleRank;
    uint8_t UserData;
    uint16_t PointSourceID;
    double GPSTime;
    uint16_t Red;
    uint16_t Green;
    uint16_t Blue;
} LAS12fm3;

#pragma pack(pop)

#ifdef __cplusplus
#define KORVANE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define KORVANE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

KORVANE_STATIC_ASSERT(sizeof(LAS12Header) == 227, "LAS12Header must be 227 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS11Header) == 227, "LAS11Header must be 227 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS10Header) == 227, "LAS10Header must be 227 bytes");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, VersionMajor) == 24, "VersionMajor at 24");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, HeaderSize) == 94, "HeaderSize at 94");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, OffsetToData) == 96, "OffsetToData at 96");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, PointDataFormatID) == 104, "format at 104");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, PointDataRecordLength) == 105, "record length at 105");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, NumberOfPointReturns) == 107, "point count at 107");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, NumberOfPointsByReturn) == 111, "by-return counts at 111");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, XScaleFactor) == 131, "scale factors at 131");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, XOffset) == 155, "offsets at 155");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, MaxX) == 179, "MaxX at 179");
KORVANE_STATIC_ASSERT(offsetof(LAS12Header, MinZ) == 219, "MinZ at 219");
KORVANE_STATIC_ASSERT(offsetof(LAS11Header, Reserved) == 6, "LAS11 Reserved at 6");
KORVANE_STATIC_ASSERT(offsetof(LAS11Header, PointDataRecordLength) == 105, "LAS11 record length at 105");
KORVANE_STATIC_ASSERT(offsetof(LAS11Header, MinZ) == 219, "LAS11 MinZ at 219");
KORVANE_STATIC_ASSERT(offsetof(LAS10Header, GUIDData1) == 8, "LAS10 GUIDData1 at 8");
KORVANE_STATIC_ASSERT(offsetof(LAS10Header, FlightDateJulian) == 90, "LAS10 flight date at 90");
KORVANE_STATIC_ASSERT(offsetof(LAS10Header, PointDataRecordLength) == 105, "LAS10 record length at 105");
KORVANE_STATIC_ASSERT(offsetof(LAS10Header, MinZ) == 219, "LAS10 MinZ at 219");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm0) == 20, "LAS12fm0 must be 20 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm1) == 28, "LAS12fm1 must be 28 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm2) == 26, "LAS12fm2 must be 26 bytes");
KORVANE_STATIC_ASSERT(sizeof(LAS12fm3) == 34, "LAS12fm3 must be 34 bytes");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm0, Intensity) == 12, "Intensity at 12");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm0, bitfield) == 14, "bitfield at 14");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm0, PointSourceID) == 18, "PointSourceID at 18");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm1, GPSTime) == 20, "fm1 GPSTime at 20");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm2, Red) == 20, "fm2 Red at 20");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm3, GPSTime) == 20, "fm3 GPSTime at 20");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm3, Red) == 28, "fm3 Red at 28");
KORVANE_STATIC_ASSERT(offsetof(LAS12fm3, Blue) == 32, "fm3 Blue at 32");

/* ========================================================================
 * File checks, messages and banner
 * ======================================================================== */

/*
 * file_access() tests whether the file `filename` can be opened for reading.
 * The file is opened read-only without blocking (a FIFO with no writer does
 * not hang the call) and closed again at once; nothing is read.
 *
 * Returns 0 if it opens. Otherwise prints
 * "Unable to open file FILENAME in file_access()" and a newline (with no
 * newline before it) and returns -1. Never ends the process.
 */
KORVANE_API int16_t file_access(const char *filename);

/*
 * check_file_extension() tests the last four characters of `filename`: a dot
 * followed by exactly `extension`, given without its dot. The comparison is
 * case-sensitive, and only a three-letter `extension` can match. The file is
 * not opened.
 *
 * Returns 0 on a match. Otherwise prints one message and returns -1:
 *   - "File name (FILENAME) is too short" for a name of four characters or
 *     fewer (".las" alone is too short, "a.las" is not);
 *   - "Extension of file FILENAME should be preceeded by a dot (.)" when the
 *     fourth character from the end is not a dot;
 *   - "File extension of FILENAME is not .EXTENSION" when the letters differ.
 * Never ends the process.
 */
KORVANE_API int16_t check_file_extension(const char *filename, const char *extension);

/*
 * error_msg() prints numbered message `i` with `text` inserted:
 *   1: "File TEXT does NOT exist"
 *   2: "File TEXT already exists"
 *   3: "Same file name (TEXT) has been specified twice"
 * each between newlines. Any other number prints nothing. No result.
 */
KORVANE_API void error_msg(int32_t i, const char *text);

/*
 * credits() prints the banner of the Korvane LiDAR utilities: the family
 * name, the maintainers, their address and the warranty notice, starting on
 * a fresh line and ending with a newline. No result; cannot fail.
 */
KORVANE_API void credits(void);

/* ========================================================================
 * LAS validation
 * ======================================================================== */

/*
 * check_las() decides whether `filename` is a LAS file this library handles
 * and classifies it. It reads only the first 227 bytes and never writes.
 *
 * Returns the LAS type, which names the pair (version, point data format)
 * and so the point record to read:
 *
 *    type  version  format  record     record length
 *      1     1.0      0     LAS12fm0   20 bytes
 *      2     1.0      1     LAS12fm1   28 bytes
 *      3     1.1      0     LAS12fm0   20 bytes
 *      4     1.1      1     LAS12fm1   28 bytes
 *      5     1.2      0     LAS12fm0   20 bytes
 *      6     1.2      1     LAS12fm1   28 bytes
 *      7     1.2      2     LAS12fm2   26 bytes
 *      8     1.2      3     LAS12fm3   34 bytes
 *
 *   0: a LAS file of version 1.0 or 1.1 that declares point data format 2
 *      or 3, a pair this library does not handle. Nothing is printed and the
 *      record length is not examined.
 *  -1: the file cannot be used; one message says why. The checks run in
 *      this order and the first that fails decides:
 *        - the file does not open: file_access()'s line, then
 *          error_msg(1, filename);
 *        - the name does not end in ".las", in lower case: the message of
 *          check_file_extension();
 *        - the file is not a regular file, is shorter than 227 bytes or does
 *          not start with "LASF": "FILENAME is not a valid .las file";
 *        - the version is not 1.0, 1.1 or 1.2: "Cannot handle las files of
 *          version M.x" or "... of version M.N";
 *        - the point data format is above 3: "PointDataFormatID in FILENAME
 *          is F. Only 0, 1, 2, or 3 is accepted";
 *        - the record length is not the one of the table: "Data format of
 *          FILENAME (F) is incompatible with Length of Data Record (N)".
 *      Version and format numbers are printed as one character each, '0'
 *      plus the byte.
 *
 * Only types 1 to 8 are usable. Never ends the process.
 */
KORVANE_API int16_t check_las(const char *filename);

/* ========================================================================
 * Header recomputation
 * ======================================================================== */

/*
 * update_header() brings the public header of the LAS file `filename` into
 * agreement with the point records the file holds, and rewrites it in place.
 *
 * The file is opened once, for reading and writing, and everything after is
 * decided through that one open file: it must be a regular file (a folder,
 * FIFO or device is refused without waiting on it), and its header is
 * classified exactly as check_las() classifies it, with check_las()'s
 * messages. A name swapped for another file during the call therefore never
 * redirects the rewrite. Then every whole point record from OffsetToData to the end of the file is
 * read once; the header's own point count is not consulted, and a final
 * fragment shorter than a record is ignored. From the records it gathers:
 *   - NumberOfPointReturns: the number of records;
 *   - NumberOfPointsByReturn[0..4]: the records with return number 1 to 5
 *     (records with return number 0, 6 or 7 count only in the total);
 *   - MaxX, MinX, MaxY, MinY, MaxZ, MinZ: Offset + ScaleFactor * the largest
 *     and smallest integer coordinate; the first record sets both extremes
 *     of every axis. A file without a whole point record gets counts of 0
 *     and keeps its six bounds as they were. With a negative scale factor
 *     MaxX holds the smaller real X.
 * Only those fields are written back; every other byte of the file, of the
 * header (HeaderSize, OffsetToData, scale factors, offsets...) and of the
 * variable-length and point records, stays as it was.
 *
 * On success, prints "\rHeader of file FILENAME has been updated    ": a
 * carriage return first, four spaces last, no newline, flushed at once, so
 * that the next such line overwrites it.
 *
 * No result: the routine returns only on success. On any failure it ends
 * the process with the failure status, 255, after one message saying why:
 * check_las()'s own when the file does not pass it; otherwise a message of
 * this routine when the file is of type 0, cannot be opened for update (it
 * is read-only, say), holds more records than the header's 32-bit count can
 * state, or cannot be read, when memory or file descriptors run out, or when
 * the header cannot be written. Nothing is written before the whole pass
 * has succeeded, so every failure but the last leaves the file byte for
 * byte as it was. A file that shrinks during the call (truncated by another
 * process) is left as it is, with the message "File FILENAME changed after
 * it was validated", as Pointsieve words it: just before the write,
 * the size of the open file must be at least the size seen at the start
 * and hold every record the new header counts.
 *
 * The new header goes to the file in one write of 227 bytes at its start,
 * and the routine reports success only once that write is whole and the
 * system has put it on the storage device (fsync). If the write fails or is
 * cut short (a full disk, a file-size limit, whose signal SIGXFSZ is ignored
 * during the write), the bytes already written are put back, so the header
 * is the old one or the new one, never a mix, and the failure is reported:
 * "Cannot write header of file FILENAME". Only when putting them back fails
 * too (the disk filled part-way through the header and stays full, or the
 * storage fails) is the header left partly rewritten, and the message then
 * says so: "Cannot write header of file FILENAME; the header may be partly
 * rewritten". Restore the file from a copy in that case.
 * A power loss during the write itself is not covered: on storage that does
 * not write a sector atomically the header may then hold part of each.
 *
 * The file is not locked: another process must not write it during the call.
 */
KORVANE_API void update_header(const char *filename);

/* ========================================================================
 * Header initialisation
 * ======================================================================== */

/*
 * initialize_header10(), initialize_header11() and initialize_header12() fill
 * the caller's record *ph with the header of a new LAS 1.0, 1.1 or 1.2 file:
 *   - "LASF", version 1.0, 1.1 or 1.2;
 *   - GeneratingSoftware "Korvane LiDAR Utilities" (with its terminating
 *     zero); SystemIdentifier and GUIDData4 empty strings (first byte 0);
 *   - HeaderSize and OffsetToData 227: no variable-length records, the
 *     points follow the header;
 *   - scale factors 1.0, offsets 0.0, so that real coordinates equal the
 *     integers;
 *   - zero in every other field: the source ID, GUID, dates, point data
 *     format 0 with record length 0, point counts and bounds.
 * The bytes after the terminating zero of the three strings (bytes 17-23,
 * 27-57 and 82-89) keep what the record held: pass a zero-filled record when
 * every byte must be defined.
 *
 * The caller must set PointDataFormatID and PointDataRecordLength (20, 28,
 * 26 or 34, sizeof the point record) before writing the header:
 * check_las() refuses a file whose record length is 0. update_header() then
 * fills the counts and bounds from the points written after it.
 *
 * No result. Prints nothing, touches no file, allocates nothing, cannot
 * fail. The three differ only in the record type and the minor version.
 */
KORVANE_API void initialize_header10(LAS10Header *ph);
KORVANE_API void initialize_header11(LAS11Header *ph);
KORVANE_API void initialize_header12(LAS12Header *ph);

/* ========================================================================
 * Index-carrying quicksorts
 * ========================================================================
 *
 * Ascending, in-place sorts of the key array `p` that carry the index array
 * `p_ind` along: every exchange of two keys exchanges the two entries of
 * `p_ind` at the same positions. When the caller has filled p_ind with
 * 0, 1, ..., count - 1, afterwards p_ind[k] tells where the key now at
 * position k stood before. The entries of p_ind are never read as positions
 * or compared, only moved; any 32-bit payload travels the same way.
 *
 * l_ routines sort int32_t keys (signed comparison); d_ routines sort double
 * keys by IEEE less-than: -0.0 and +0.0 are equal, and with NaNs the sort
 * still ends with both arrays permutations of their input and every key
 * still paired with its entry, but the keys need not come out ascending.
 *
 * The result is one exact permutation, which callers may rely on: the pivot
 * is the key at the middle position, keys equal to the pivot are exchanged,
 * and the sort is not stable (keys 30, 10, 20, 10 with p_ind 0, 1, 2, 3 give
 * 10, 10, 20, 30 with p_ind 3, 1, 2, 0).
 *
 * The wrappers take `count`, the number of elements of both arrays; a count
 * below 2 (0 and negative counts included) leaves both arrays unread and
 * unchanged. The workers take `left` and `right`, the first and the last
 * position of the range to sort, both inclusive: l_qs(p, 0, count - 1, p_ind)
 * sorts a whole array. A range with left >= right is left unread; otherwise
 * both must be positions of both arrays.
 *
 * The "parallel" variants run on the calling thread: this library starts no
 * threads. They differ from the plain ones only in `deep`, a budget of
 * nesting levels: while it is not 0 a sub-range is handed to the parallel
 * worker with deep - 1, once it is 0 to the plain worker. The wrappers start
 * it at 15. The budget never changes the result: a parallel routine leaves
 * p and p_ind exactly as the plain routine of the same key type does.
 *
 * None of them prints, allocates, fails or ends the process. Nesting is
 * bounded by about log2(count) calls whatever the input.
 */
KORVANE_API void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void d_quicksort(double *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);
KORVANE_API void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);

/* ========================================================================
 * Argument validators
 * ======================================================================== */

/*
 * check_numeric_argument() accepts the text `str` of a number: decimal
 * digits with at most one "." and at most one "-", wherever they stand
 * ("5-" and "1-2" pass), or the empty text. It converts nothing; the caller
 * converts after it has returned.
 *
 * No result: returns, printing nothing, when the text is acceptable.
 * Otherwise (any other character, such as "+", "e", "," or a space; two dots;
 * two dashes; "." or "-" alone) prints "Invalid argument value (STR)" and
 * ends the process with the failure status, 255.
 */
KORVANE_API void check_numeric_argument(const char *str);

/*
 * check_YN() accepts a yes/no answer: `text` equal to "Y", "N", "y" or "n".
 *
 * Returns 0, printing nothing, for those four; the caller reads the text to
 * know which. Otherwise prints "ASCII Header Flag should be either Y (y) or
 * N (n)" and returns -1. Never ends the process.
 */
KORVANE_API int16_t check_YN(const char *text);

/*
 * check_DEM() accepts the name `str` of a digital elevation model: an ASCII
 * grid, ending in ".asc", taken by its name alone (it need not exist); or a
 * floating-point grid, ending in ".flt", whose header file, the same name
 * ending in ".hdr" (tile7.flt, tile7.hdr), opens for reading. Extensions are
 * lower case.
 *
 * No result: returns when the name is acceptable. Each extension test goes
 * through check_file_extension(), whose message is printed even when the
 * other extension then matches: an accepted ".asc" name prints the ".flt"
 * mismatch, an accepted ".flt" name the ".asc" one. Otherwise prints those
 * messages and "DEM file extension should be either '.asc' (ASCII) or '.flt'
 * (floating point binary)", or file_access()'s line for the header and
 * "Floating point binary DEM files also require a ASCII header file
 * ('.hdr')", and ends the process with the failure status, 255.
 */
KORVANE_API void check_DEM(const char *str);

#ifdef __cplusplus
}
#endif

#endif /* KORVANE_LIDAR_H */

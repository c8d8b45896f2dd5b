/*
 * Korvane_LiDAR: routines for LAS 1.0, 1.1 and 1.2 LiDAR files.
 *
 * The records below are byte-exact images of the LAS public header block and
 * of the point records of formats 0 to 3: packed, no padding, multi-byte
 * fields little-endian on disk. The library converts at the file boundary, so
 * in memory the fields hold host-order values.
 *
 * This header compiles as C (C11 or later) and as C++.
 */
#ifndef KORVANE_LIDAR_H
#define KORVANE_LIDAR_H

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

#pragma pack(push, 1)

/* Public header block of a LAS 1.2 file (227 bytes). */
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

/* Point record, format 0 (20 bytes). bitfield: bits 0-2 return number,
 * bits 3-5 number of returns. ScanAngleRank is stored as a signed byte in the
 * file and kept here as its raw value 0 to 255. */
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

/* ---- File checks, messages and banner ---------------------------------- */

/* 0 if the file opens for reading; otherwise prints a line and returns -1. */
KORVANE_API int16_t file_access(const char *filename);
/* 0 if filename ends in "." followed by exactly `extension` (three letters,
 * case-sensitive); otherwise prints why and returns -1. */
KORVANE_API int16_t check_file_extension(const char *filename, const char *extension);
/* Prints numbered message 1, 2 or 3 with `text` inserted; others print nothing. */
KORVANE_API void error_msg(int32_t i, const char *text);
/* Prints the banner of the utility family. */
KORVANE_API void credits(void);

/* ---- LAS validation ---------------------------------------------------- */

/* Classifies a LAS file: 1 to 8 for (version, point format) pairs
 * 1.0/0, 1.0/1, 1.1/0, 1.1/1, 1.2/0, 1.2/1, 1.2/2, 1.2/3; 0 for a LAS file
 * of version 1.0 or 1.1 with format 2 or 3 (no message); -1 for a file that
 * cannot be used (a message has been printed). Never ends the process. */
KORVANE_API int16_t check_las(const char *filename);

/* ---- Header recomputation and initialisation --------------------------- */

/* Recomputes the point count, the counts by return number and the X/Y/Z
 * bounds of a LAS file from its point records and rewrites its public header
 * in place. Returns only on success; on failure prints a message and ends the
 * process with status -1, leaving the file as it was. */
KORVANE_API void update_header(const char *filename);
KORVANE_API void initialize_header10(LAS10Header *ph);
KORVANE_API void initialize_header11(LAS11Header *ph);
KORVANE_API void initialize_header12(LAS12Header *ph);

/* ---- Index-carrying quicksorts ----------------------------------------- */

/* Ascending in-place sorts of p that apply every exchange to p_ind too. */
KORVANE_API void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void d_quicksort(double *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind);
KORVANE_API void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind);
KORVANE_API void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);
KORVANE_API void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind);
KORVANE_API void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep);

/* ---- Argument validators ----------------------------------------------- */

/* Returns if str is an acceptable number text; otherwise prints a message and
 * ends the process with status -1. */
KORVANE_API void check_numeric_argument(const char *str);
/* 0 for "Y", "N", "y" or "n"; otherwise prints a message and returns -1. */
KORVANE_API int16_t check_YN(const char *text);
/* Returns if str names an ASCII grid (.asc) or a floating-point grid (.flt)
 * whose .hdr file opens; otherwise ends the process with status -1. */
KORVANE_API void check_DEM(const char *str);

#ifdef __cplusplus
}
#endif

#endif /* KORVANE_LIDAR_H */

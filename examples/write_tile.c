/*
 * Writes a small LAS 1.2 tile with the Korvane_LiDAR library, then repairs,
 * validates and inspects it:
 *   1. initialize_header12 fills a fresh header; the program sets the point
 *      data format, the record length, scale factors and offsets;
 *   2. five format 1 points follow the header; the point count and the
 *      bounds are left at zero;
 *   3. update_header recomputes the count, the counts by return and the
 *      bounds from the points and rewrites the header in place;
 *   4. check_las classifies the file (type 6: version 1.2, format 1);
 *   5. l_quicksort orders the points by elevation.
 *
 * Usage: write_tile_c OUTPUT.las
 */
#include <stdio.h>
#include <string.h>

#include <Korvane_LiDAR.h>

/* LAS files are little-endian and the records are written as they lie in
 * memory. */
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "this example writes raw records and needs a little-endian host"
#endif

#define POINT_COUNT 5

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTPUT.las\n", argv[0]);
        return 2;
    }
    const char *path = argv[1];

    /* A zero-filled record, so that the bytes the initialiser leaves alone
     * are defined too. */
    LAS12Header header;
    memset(&header, 0, sizeof header);
    initialize_header12(&header);
    header.PointDataFormatID = 1;
    header.PointDataRecordLength = sizeof(LAS12fm1);
    header.XScaleFactor = header.YScaleFactor = header.ZScaleFactor = 0.01;
    header.XOffset = 500000.0;
    header.YOffset = 4000000.0;

    /* Stored integers; real coordinate = offset + scale factor * integer. */
    static const int32_t x[POINT_COUNT] = {1000, 2500, 1800, 3000, 1200};
    static const int32_t y[POINT_COUNT] = {500, 700, 900, 650, 800};
    static const int32_t z[POINT_COUNT] = {12050, 11800, 12500, 11975, 12210};
    /* Return number in bits 0-2, number of returns in bits 3-5. */
    static const int8_t returns[POINT_COUNT] = {1 | 2 << 3, 2 | 2 << 3, 1 | 1 << 3, 1 | 3 << 3, 3 | 3 << 3};
    static const uint8_t classes[POINT_COUNT] = {2, 1, 2, 5, 2};

    FILE *f = fopen(path, "wb");
    if (f == NULL) {
        perror(path);
        return 1;
    }
    int ok = fwrite(&header, sizeof header, 1, f) == 1;
    for (int k = 0; k < POINT_COUNT; ++k) {
        LAS12fm1 point;
        memset(&point, 0, sizeof point);
        point.X = x[k];
        point.Y = y[k];
        point.Z = z[k];
        point.Intensity = (uint16_t)(100 + 10 * k);
        point.bitfield = returns[k];
        point.Classification = classes[k];
        point.PointSourceID = 7;
        point.GPSTime = 1000.5 + k;
        ok = ok && fwrite(&point, sizeof point, 1, f) == 1;
    }
    if (fclose(f) != 0 || !ok) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    printf("Wrote %d points to %s\n", POINT_COUNT, path);

    /* Returns only on success; on failure it prints why and ends the
     * process. Its confirmation line ends without a newline. */
    update_header(path);
    printf("\n");

    int16_t type = check_las(path);
    if (type != 6) {
        printf("Unexpected LAS type %d\n", type);
        return 1;
    }
    printf("LAS type %d (version 1.2, format 1)\n", type);

    f = fopen(path, "rb");
    if (f == NULL || fread(&header, sizeof header, 1, f) != 1) {
        fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    fclose(f);
    printf("Points %u, by return %u %u %u %u %u\n", (unsigned)header.NumberOfPointReturns,
           (unsigned)header.NumberOfPointsByReturn[0], (unsigned)header.NumberOfPointsByReturn[1],
           (unsigned)header.NumberOfPointsByReturn[2], (unsigned)header.NumberOfPointsByReturn[3],
           (unsigned)header.NumberOfPointsByReturn[4]);
    printf("X %.2f to %.2f\n", header.MinX, header.MaxX);
    printf("Y %.2f to %.2f\n", header.MinY, header.MaxY);
    printf("Z %.2f to %.2f\n", header.MinZ, header.MaxZ);

    /* Sort the elevations; the index array tells where each one came from. */
    int32_t keys[POINT_COUNT];
    int32_t order[POINT_COUNT];
    for (int k = 0; k < POINT_COUNT; ++k) {
        keys[k] = z[k];
        order[k] = k;
    }
    l_quicksort(keys, POINT_COUNT, order);
    printf("Points from lowest to highest:");
    for (int k = 0; k < POINT_COUNT; ++k) printf(" %d", (int)order[k]);
    printf("\n");
    return 0;
}

#!/usr/bin/env bash
# Builds the examples against the installed tree, runs them, and runs the
# installed program on what they write; then runs the shell example on a
# folder of tiles.
. "$(dirname "$0")/lib.sh"

prefix=$WORK/relative/tree
out=$WORK/examples
fresh "$out"
warnings="-Wall -Wextra -Wpedantic -Werror"
configure_and_build "$SRC_DIR/examples" "$out/build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="$warnings" -DCMAKE_CXX_FLAGS="$CXX_FLAGS $warnings"
cd "$out"

expect_output "Wrote 5 points to tile_c.las

Header of file tile_c.las has been updated    
LAS type 6 (version 1.2, format 1)
Points 5, by return 3 1 1 0 0
X 500010.00 to 500030.00
Y 4000005.00 to 4000009.00
Z 118.00 to 125.00
Points from lowest to highest: 1 3 0 4 2" build/write_tile_c tile_c.las

expect_output "Wrote 4 points to tile_cpp.las

Header of file tile_cpp.las has been updated    
LAS type 8 (version 1.2, format 3)
Points 4, first returns 4
X 249.000 to 251.500
Y 99.500 to 101.000
Z 4.900 to 5.200
Points from dimmest to brightest: 1 0 3 2" build/write_tile_cpp tile_cpp.las

# The repaired tiles are read by the program like any other.
summary=$("$prefix/bin/Pointsieve" tile_c.las | tr '\r' '\n') || fail "Pointsieve refused tile_c.las"
for line in 'Total points :            5' 'X range :            500010.00 to     500030.00' \
    'Z range :               118.00 to        125.00' 'Return Class   2                 3'; do
    printf '%s\n' "$summary" | grep -Fxq "$line" || { printf '%s\n' "$summary"; fail "no line '$line'"; }
done

# Two tiles of one type; the work folder is separate from the tile folder.
mkdir tiles work
cp "$SRC_DIR/tests/data/simple.las" "$SRC_DIR/tests/data/1.2_3.las" tiles/
export POINTSIEVE=$prefix/bin/Pointsieve
expect_output "2 tiles, 1066 points, 277 ground points (26.0%)" \
    bash "$SRC_DIR/examples/summarise_tiles.sh" tiles work
[ -f work/tiles_stats.asc ] || fail "the shell example left no statistics file in its work folder"

# A folder of links to tiles, as the README suggests for tiles kept
# elsewhere, and a dangling link, which is not a tile.
mkdir links
ln -s ../tiles/simple.las links/simple.las
ln -s "$PWD/tiles/1.2_3.las" links/other.las
ln -s missing.las links/gone.las
expect_output "2 tiles, 1066 points, 277 ground points (26.0%)" \
    bash "$SRC_DIR/examples/summarise_tiles.sh" links work

# Counts beyond 32 bits, and ground classes with flag bits set, from a
# made-up statistics file: 18 and 1 are not ground, 2, 34, 66, 98 and 130 are.
cat > fake_pointsieve <<'FAKE'
#!/bin/sh
{
    printf 'TotalPoints %18.0f\n' 3000000000
    printf 'XMin %28.2f\n' 0
    printf 'Class%03d %21.0f\n' 1 700000000 2 2199999000 18 500 34 400 66 50 98 30 130 20
} > "${1%.txt}_stats.asc"
FAKE
chmod +x fake_pointsieve
POINTSIEVE=$PWD/fake_pointsieve expect_output "2 tiles, 3000000000 points, 2199999500 ground points (73.3%)" \
    bash "$SRC_DIR/examples/summarise_tiles.sh" tiles work
echo "examples built and ran"

#!/bin/sh
# Summarises every LAS tile of a folder in one Pointsieve run, through a list
# file, and reads two figures back from the statistics file: the point total
# and the number of ground points (class 2).
#
# Usage: summarise_tiles.sh TILE_FOLDER [WORK_FOLDER]
#   The list file tiles.txt, the report tiles_report.txt and the statistics
#   file tiles_stats.asc are written to WORK_FOLDER (default: the current
#   folder). POINTSIEVE names the program to run (default: Pointsieve).
#   All tiles must share one LAS version and point data format.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 TILE_FOLDER [WORK_FOLDER]" >&2
    exit 2
fi
tiles=$1
work=${2:-.}
pointsieve=${POINTSIEVE:-Pointsieve}
list=$work/tiles.txt

# List entries are separated by white space, so a tile name cannot hold any.
find "$tiles" -maxdepth 1 -type f -name '*.las' | sort > "$list"
if [ ! -s "$list" ]; then
    echo "no .las files in $tiles" >&2
    exit 1
fi
if grep -q '[[:space:]]' "$list"; then
    echo "tile names in $tiles must not contain white space" >&2
    exit 1
fi

# -s writes the figures to the list name less its extension, plus _stats.asc.
if ! "$pointsieve" "$list" -s > "$work/tiles_report.txt"; then
    cat "$work/tiles_report.txt" >&2
    exit 1
fi
stats=$work/tiles_stats.asc

# Every line is a key and a value; keys of absent classes are left out.
total=$(awk '$1 == "TotalPoints" { print $2 }' "$stats")
ground=$(awk '$1 == "Class002" { print $2 }' "$stats")
ground=${ground:-0}
count=$(wc -l < "$list")
awk -v n="$count" -v total="$total" -v ground="$ground" 'BEGIN {
    share = total > 0 ? 100 * ground / total : 0
    printf "%d tiles, %d points, %d ground points (%.1f%%)\n", n, total, ground, share
}'

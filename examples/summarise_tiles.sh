#!/bin/sh
# Summarises every LAS tile of a folder in one Pointsieve run, through a list
# file, and reads two figures back from the statistics file: the point total
# and the number of ground points.
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
# Links to tiles count as tiles (-L: -type f sees what a link points to).
find -L "$tiles" -maxdepth 1 -type f -name '*.las' | sort > "$list"
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
# Ground is every class whose low five bits are 2 (2, 34, 66, 98, 130, ...):
# bits 5 to 7 of the classification byte are the synthetic, key-point and
# withheld flags. Counts print with %.0f, exact for any count a run reaches;
# %d stops at 2147483647 in mawk.
count=$(wc -l < "$list")
awk -v n="$count" '
    $1 == "TotalPoints" { total = $2 }
    $1 ~ /^Class[0-9][0-9][0-9]$/ && substr($1, 6) % 32 == 2 { ground += $2 }
    END {
        share = total > 0 ? 100 * ground / total : 0
        printf "%d tiles, %.0f points, %.0f ground points (%.1f%%)\n", n, total, ground, share
    }' "$stats"

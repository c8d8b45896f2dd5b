#!/usr/bin/env bash
# Every man page renders without a single groff warning, and names the
# version of the public header.
. "$(dirname "$0")/lib.sh"
need groff

version=$(sed -n 's/^#define KORVANE_LIDAR_VERSION_STRING "\(.*\)"$/\1/p' "$SRC_DIR/lidar/include/Korvane_LiDAR.h")
[ "$version" = "$PROJECT_VERSION" ] || fail "the public header gives version '$version', the project $PROJECT_VERSION"
fresh "$WORK/manpage"
for page in "$SRC_DIR"/docs/*.1; do
    name=$(basename "$page" .1)
    groff -man -ww -Tutf8 "$page" > "$WORK/manpage/$name.txt" 2> "$WORK/manpage/$name.warnings" \
        || fail "groff failed on $page"
    if [ -s "$WORK/manpage/$name.warnings" ]; then
        cat "$WORK/manpage/$name.warnings"
        fail "groff warns about $page"
    fi
    [ -s "$WORK/manpage/$name.txt" ] || fail "groff rendered nothing of $page"
    grep -q "^\.TH ${name^^} 1 \"[^\"]*\" \"Pointsieve $version\" " "$page" \
        || fail "the .TH line of $page does not name version $version"
done
echo "man pages render cleanly and name version $version"

#!/usr/bin/env bash
# The man page renders without a single groff warning, and names the
# project's version.
. "$(dirname "$0")/lib.sh"
need groff

page=$SRC_DIR/docs/Pointsieve.1
fresh "$WORK/manpage"
groff -man -ww -Tutf8 "$page" > "$WORK/manpage/Pointsieve.txt" 2> "$WORK/manpage/warnings.txt" \
    || fail "groff failed on $page"
if [ -s "$WORK/manpage/warnings.txt" ]; then
    cat "$WORK/manpage/warnings.txt"
    fail "groff warns about $page"
fi
[ -s "$WORK/manpage/Pointsieve.txt" ] || fail "groff rendered nothing"
grep -q "^\.TH POINTSIEVE 1 \"[^\"]*\" \"Pointsieve $PROJECT_VERSION\" " "$page" \
    || fail "the .TH line of $page does not name version $PROJECT_VERSION"
echo "man page renders cleanly"

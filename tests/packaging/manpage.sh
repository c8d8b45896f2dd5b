#!/usr/bin/env bash
# The man page renders without a single groff warning.
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
echo "man page renders cleanly"

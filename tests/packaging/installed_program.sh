#!/usr/bin/env bash
# The installed program prints its usage text and summarises a sample file.
. "$(dirname "$0")/lib.sh"

program=$WORK/destdir/root/usr/bin/Pointsieve
check_usage "$WORK/relative/tree/bin/Pointsieve"
check_usage "$program"

fresh "$WORK/program"
cd "$WORK/program"
cp "$SRC_DIR/tests/data/simple.las" .
out=$("$program" simple.las) || fail "installed Pointsieve failed on simple.las"
for line in 'Summary of simple.las' 'LAS version 1.2, Format 3 (Type 8)' 'Total points :         1065' \
    'GPS Time range : 245370.417065 to 249783.162158'; do
    printf '%s\n' "$out" | tr '\r' '\n' | grep -Fxq "$line" || { printf '%s\n' "$out"; fail "no line '$line'"; }
done
echo "installed Pointsieve works"

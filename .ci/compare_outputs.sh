#!/usr/bin/env bash
# The report and the statistics file of a cross build, run under its
# emulator, against those of the native build: the same bytes, except the
# elapsed time and, for Windows builds, CR LF line ends.
# Usage: compare_outputs.sh NATIVE_PROGRAM -- CROSS_PROGRAM...
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
native=$1
shift
[ "$1" = -- ] && shift
work=$(mktemp -d "${TMPDIR:-/tmp}/compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/native" "$work/cross"
normalise() { tr -d '\r' | sed 's/^Elapsed time [0-9.]* seconds$/Elapsed time/'; }
status=0
for file in 1.2_2.las simple.las; do
  for side in native cross; do
    cp "$src/tests/data/$file" "$work/$side/"
  done
  (cd "$work/native" && "$native" "$file" -d -s) | normalise > "$work/native.out"
  (cd "$work/cross" && "$@" "$file" -d -s) | normalise > "$work/cross.out"
  stats=${file%.las}_stats.asc
  if cmp -s "$work/native.out" "$work/cross.out" &&
     cmp -s "$work/native/$stats" <(tr -d '\r' < "$work/cross/$stats"); then
    echo "$file -d -s: same report ($(wc -l < "$work/native.out") lines) and statistics file"
  else
    echo "$file -d -s: outputs differ"
    diff "$work/native.out" "$work/cross.out" | head -20 || true
    diff "$work/native/$stats" <(tr -d '\r' < "$work/cross/$stats") | head -20 || true
    status=1
  fi
done
exit $status

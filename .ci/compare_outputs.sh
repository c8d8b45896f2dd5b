#!/usr/bin/env bash
# The report and the statistics file of a cross build, run under its
# emulator, against those of the native build: the same bytes, except the
# elapsed time and, for Windows builds, CR LF line ends.
# Usage: compare_outputs.sh NATIVE_PROGRAM -- CROSS_PROGRAM...
#        compare_outputs.sh --merge NATIVE_BUILD CROSS_BUILD -- EMULATOR...
# The second form merges two statistics files of the native Pointsieve and
# one of the cross build's with each build's Pointsieve-merge: the same
# report and merged file, line ends aside.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/native" "$work/cross"
normalise() { tr -d '\r' | sed 's/^Elapsed time [0-9.]* seconds$/Elapsed time/'; }
status=0

if [ "$1" = --merge ]; then
  native=$(cd "$2" && pwd) cross=$(cd "$3" && pwd)
  shift 3
  [ "$1" = -- ] && shift
  exe=
  [ -e "$cross/Pointsieve.exe" ] && exe=.exe
  # Two files from Linux, one from the cross build, all of format 3.
  cp "$src/tests/data/simple.las" "$work/native/a.las"
  cp "$src/tests/data/1.2_3.las" "$work/native/b.las"
  cp "$src/tests/data/simple.las" "$work/cross/c.las"
  (cd "$work/native" && "$native/Pointsieve" a.las -s -d && "$native/Pointsieve" b.las -s -d) > /dev/null
  (cd "$work/cross" && "$@" "$cross/Pointsieve$exe" c.las -s -d) > /dev/null
  cp "$work/native/a_stats.asc" "$work/native/b_stats.asc" "$work/cross/"
  cp "$work/cross/c_stats.asc" "$work/native/"
  inputs=(a_stats.asc c_stats.asc b_stats.asc)
  (cd "$work/native" && "$native/Pointsieve-merge" -o merged.asc -t table.csv "${inputs[@]}") | normalise > "$work/native.out"
  (cd "$work/cross" && "$@" "$cross/Pointsieve-merge$exe" -o merged.asc -t table.csv "${inputs[@]}") | normalise > "$work/cross.out"
  for f in merged.asc table.csv; do
    if ! cmp -s "$work/native/$f" <(tr -d '\r' < "$work/cross/$f"); then
      echo "merge: $f differs"
      diff "$work/native/$f" <(tr -d '\r' < "$work/cross/$f") | head -20 || true
      status=1
    fi
  done
  if ! cmp -s "$work/native.out" "$work/cross.out"; then
    echo "merge: reports differ"
    diff "$work/native.out" "$work/cross.out" | head -20 || true
    status=1
  fi
  [ $status -eq 0 ] && echo "merge of statistics files from both builds: same report ($(wc -l < "$work/native.out") lines), merged file and table"
  exit $status
fi

native=$1
shift
[ "$1" = -- ] && shift
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

#!/usr/bin/env bash
# Benchmark of Pointsieve-qa, the figures of the delivery audit:
#   1. one 20-million-point tile at -j 1 against Pointsieve on the same file,
#      and with -d against Pointsieve -d, the two timed in one run; the same
#      points as LAS 1.4 format 6 against LAS 1.2 format 1 (and, with
#      OLD_QA set, against an earlier build's Pointsieve-qa);
#   2. 300 tiles of 100,000 points: -j 2 against -j 1;
#   3. --combine of 100,000 tiles in 10 shards: time and peak memory;
#   4. the peak memory of a reading run against the size of its tile;
#   5. the peak memory of MISSING_TILES (default 1,000,000) names that do
#      not exist, at -j 1 and -j 2: flat in -j, the tiles read ahead of the
#      writer being a window of 64 a thread.
# Inputs are in the page cache. Paired runs use farm-bench where it is
# installed (the ratio is taken pair by pair), else alternating rounds.
#
#   qa_bench.sh BUILD_DIR
#
# Environment: ROUNDS (default 5); POINTS (default 20000000) points of the
# large tile; COMBINE_TILES (default 100000); BENCH_DATA (default
# BUILD_DIR/bench-data); QA_OUT (default BENCH_DATA/qa/out), where the runs
# write their outputs: /dev/shm leaves out the cost of creating files on
# the disk's file system (on ext4, creating the 300 statistics files of a
# run where the previous run's were just removed costs as much processor
# time as reading the tiles).
set -euo pipefail
source "$(dirname "$0")/timing.sh"

build=$(cd "$1" && pwd)
pointsieve=$build/Pointsieve
qa=$build/Pointsieve-qa
make_inputs=$build/bench/bench_make_inputs
rounds=${ROUNDS:-5}
points=${POINTS:-20000000}
combine_tiles=${COMBINE_TILES:-100000}
data=${BENCH_DATA:-$build/bench-data}/qa
out=${QA_OUT:-$data/out}
mkdir -p "$data" "$out"

# 1. The large tile.
large=$data/f3_$points.las
[ -f "$large" ] || "$make_inputs" "$large" 3 "$points" 1 > /dev/null
cat "$large" > /dev/null
pair "one tile of $points points, -j 1, against Pointsieve" \
  "$qa" -j 1 -o "$out/large" "$large" -- "$pointsieve" "$large"
pair "one tile of $points points, -j 1 -d, against Pointsieve -d" \
  "$qa" -j 1 -d -o "$out/large" "$large" -- "$pointsieve" "$large" -d

# 1b. The same points as LAS 1.4 point format 6 against LAS 1.2 point
# format 1, and, given OLD_QA (the program of an earlier build), the new
# build against it on the LAS 1.2 tile.
large1=$data/f1_$points.las
large6=$data/f6_$points.las
[ -f "$large1" ] || "$make_inputs" "$large1" 1 "$points" 1 > /dev/null
[ -f "$large6" ] || "$build/bench/bench_las14_from_las12" "$large1" "$large6"
cat "$large1" "$large6" > /dev/null
pair "one tile of $points points, -j 1: LAS 1.4 format 6 against LAS 1.2 format 1" \
  "$qa" -j 1 -o "$out/large" "$large6" -- "$qa" -j 1 -o "$out/large" "$large1"
if [ -n "${OLD_QA:-}" ]; then
  pair "one LAS 1.2 format 3 tile of $points points, -j 1: this build against $OLD_QA" \
    "$qa" -j 1 -o "$out/large" "$large" -- "$OLD_QA" -j 1 -o "$out/large" "$large"
fi

# 2. 300 tiles of 100,000 points.
if [ ! -f "$data/t300/t300.las" ]; then
  mkdir -p "$data/t300"
  for i in $(seq -w 1 300); do "$make_inputs" "$data/t300/t$i.las" 3 100000 "$i" > /dev/null; done
fi
cat "$data"/t300/*.las > /dev/null
pair "300 tiles of 100,000 points, -j 2 against -j 1" \
  "$qa" -j 2 -o "$out/t300" "$data/t300" -- "$qa" -j 1 -o "$out/t300" "$data/t300"
if [ -z "${QA_OUT:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/qa_bench.XXXXXX)
  pair "the same, outputs in $shm (tmpfs)" \
    "$qa" -j 2 -o "$shm/t300" "$data/t300" -- "$qa" -j 1 -o "$shm/t300" "$data/t300"
  rm -rf "$shm"
fi

# 3. The combine of many tiles in 10 shards: one small tile copied onto a
# grid of places (header offsets and box moved, one Z changed so that every
# copy holds other points), audited in shards once.
grid=$data/grid_$combine_tiles
if [ ! -f "$grid/list.txt" ]; then
  echo "writing $combine_tiles tiles and auditing them in 10 shards"
  mkdir -p "$grid/tiles"
  "$make_inputs" "$grid/one.las" 3 100 7 > /dev/null
  perl -e '
    my ($template, $dir, $count) = @ARGV;
    open(my $in, "<:raw", $template) or die; local $/; my $t = <$in>; close $in;
    my $offset = unpack("V", substr($t, 96, 4));
    my $side = int(sqrt($count)) + 1;
    open(my $list, ">", "$dir/../list.txt") or die;
    for my $i (0 .. $count - 1) {
      my $b = $t;
      my ($dx, $dy) = (($i % $side) * 1.1e6, int($i / $side) * 1.1e6);
      for my $f ([155, $dx], [163, $dy], [179, $dx], [187, $dx], [195, $dy], [203, $dy]) {
        substr($b, $f->[0], 8) = pack("d<", unpack("d<", substr($b, $f->[0], 8)) + $f->[1]);
      }
      substr($b, $offset + 8, 4) = pack("l<", ($i % 150000) - 5000);
      my $name = sprintf("%s/t%06d.las", $dir, $i);
      open(my $out, ">:raw", $name) or die; print $out $b; close $out;
      print $list "$name\n";
    }' "$grid/one.las" "$grid/tiles" "$combine_tiles"
  for k in $(seq 1 10); do
    "$qa" -j 2 --shard "$k/10" -l "$grid/list.txt" -o "$grid/shard_$k" > /dev/null || [ $? -eq 1 ]
  done
fi
shards=()
for k in $(seq 1 10); do shards+=("$grid/shard_$k"); done
cat "$grid"/shard_*/tiles.csv > /dev/null
echo "== --combine of $combine_tiles tiles in 10 shards"
for ((r = 0; r < 3; r++)); do
  /usr/bin/time -v "$qa" --combine -o "$out/combined" "${shards[@]}" 2> "$data/time.txt" > /dev/null || [ $? -eq 1 ]
  awk -F': ' '/Elapsed \(wall clock\)/ {w = $2} /Maximum resident set size/ {m = $2}
    END {printf "wall %s, peak RSS %.1f MiB\n", w, m / 1024}' "$data/time.txt"
done

# 4. Memory against tile size: a tile of 1,000,000 points against the large one.
small=$data/f3_1000000.las
[ -f "$small" ] || "$make_inputs" "$small" 3 1000000 3 > /dev/null
echo "== peak RSS of a reading run, -j 1"
for tile in "$small" "$large"; do
  /usr/bin/time -f %M "$qa" -j 1 -o "$out/memory" "$tile" 2> "$data/rss.txt" > /dev/null || [ $? -eq 1 ]
  echo "$(basename "$tile"): $(( $(tail -1 "$data/rss.txt") / 1024 )) MiB"
done

# 5. Memory against the number of tiles: a list of names that do not exist,
# each an unreadable tile, read faster than the writer takes them.
missing_tiles=${MISSING_TILES:-1000000}
missing=$data/missing_$missing_tiles.txt
[ -f "$missing" ] || awk -v n="$missing_tiles" -v dir="$data/absent" \
  'BEGIN {for (i = 0; i < n; i++) printf "%s/tile_%07d.las\n", dir, i}' > "$missing"
echo "== peak RSS of $missing_tiles names that do not exist"
for j in 1 2; do
  /usr/bin/time -f %M "$qa" -j "$j" -o "$out/missing" -l "$missing" 2> "$data/rss.txt" > /dev/null || [ $? -eq 1 ]
  echo "-j $j: $(( $(tail -1 "$data/rss.txt") / 1024 )) MiB"
done
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"

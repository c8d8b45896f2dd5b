#!/usr/bin/env bash
# Benchmark of the LAZ decoder and of Pointsieve-qa on LAZ tiles:
#   1. decoding alone, one core: each million-point file of LAZ_DATA
#      (bench_laz_decode, best of ROUNDS), against the figures of the
#      reference decoder in LAZ_DATA's README;
#   2. one tile of 20,000,000 points, format 1 and format 6, at -j 1, and
#      -j 2 against -j 1 (the chunks of one tile decoded on both cores);
#   3. 300 LAZ tiles of 100,000 points, -j 2 against -j 1;
#   4. the peak memory of a 2,000,000- and a 20,000,000-point tile: flat in
#      the size of the tile.
# The large tiles are the million-point files' chunks repeated
# (bench_laz_repeat): valid LAZ, every chunk decoded, without a compressor.
#
#   laz_bench.sh BUILD_DIR
#
# Environment: ROUNDS (default 5); LAZ_DATA (default ../shared/data/laz/bench
# beside the repository); BENCH_DATA (default BUILD_DIR/bench-data).
set -euo pipefail
source "$(dirname "$0")/timing.sh"

build=$(cd "$1" && pwd)
qa=$build/Pointsieve-qa
rounds=${ROUNDS:-5}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
laz=${LAZ_DATA:-$source_dir/../shared/data/laz/bench}
data=${BENCH_DATA:-$build/bench-data}/laz
out=$data/out
mkdir -p "$data" "$out"

# 1. Decoding alone.
for f in "$laz"/*.laz; do
  echo "== decode $(basename "$f")"
  "$build/bench/bench_laz_decode" "$f" "$rounds"
done

# 2. One large tile.
for format in 1 6; do
  big=$data/f${format}_20M.laz
  [ -f "$big" ] || "$build/bench/bench_laz_repeat" "$laz/random_f$format.laz" "$big" 0 20
  cat "$big" > /dev/null
  pair "one format $format LAZ tile of 20,000,000 points, -j 2 against -j 1" \
    "$qa" -j 2 -o "$out/big" "$big" -- "$qa" -j 1 -o "$out/big" "$big"
done

# 3. 300 tiles of 100,000 points.
if [ ! -f "$data/t300/t300.laz" ]; then
  mkdir -p "$data/t300"
  "$build/bench/bench_laz_repeat" "$laz/random_f1.laz" "$data/t100k.laz" 2 1
  for i in $(seq -w 1 300); do cp "$data/t100k.laz" "$data/t300/t$i.laz"; done
fi
cat "$data"/t300/*.laz > /dev/null
pair "300 LAZ tiles of 100,000 points, -j 2 against -j 1" \
  "$qa" -j 2 -o "$out/t300" "$data/t300" -- "$qa" -j 1 -o "$out/t300" "$data/t300"

# 4. Memory against the size of the tile.
small=$data/f1_2M.laz
[ -f "$small" ] || "$build/bench/bench_laz_repeat" "$laz/random_f1.laz" "$small" 0 2
for f in "$small" "$data/f1_20M.laz"; do
  for j in 1 2; do
    /usr/bin/time -f "$(basename "$f") -j $j: %e s, peak %M KiB" "$qa" -j "$j" -o "$out/mem" "$f" > /dev/null || true
  done
done

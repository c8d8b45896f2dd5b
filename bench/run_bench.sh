#!/usr/bin/env bash
# End-to-end benchmark: times Pointsieve and update_header against the floor
# (reading the same bytes in 1 MiB blocks), with the inputs in the page cache.
#
#   run_bench.sh BUILD_DIR
#
# Environment: ROUNDS (default 5) alternating rounds; POINTS (default
# 20000000) points in each large file; BENCH_DATA (default BUILD_DIR/bench-data).
set -euo pipefail
source "$(dirname "$0")/timing.sh"

build=$(cd "$1" && pwd)
pointsieve=$build/Pointsieve
floor=$build/bench/bench_floor
make_inputs=$build/bench/bench_make_inputs
update=$build/bench/bench_update_header
rounds=${ROUNDS:-5}
points=${POINTS:-20000000}
data=${BENCH_DATA:-$build/bench-data}
mkdir -p "$data/tiles"

# Inputs, written once and kept.
if [ ! -f "$data/f3_$points.las" ]; then
  echo "writing $points points of format 3"
  "$make_inputs" "$data/f3_$points.las" 3 "$points" 1 >/dev/null
fi
if [ ! -f "$data/f1_$points.las" ]; then
  echo "writing $points points of format 1"
  "$make_inputs" "$data/f1_$points.las" 1 "$points" 2 >/dev/null
fi
if [ ! -f "$data/tiles.txt" ]; then
  echo "writing 1000 files of 1000 points"
  : > "$data/tiles.tmp"
  for i in $(seq -w 1 1000); do
    "$make_inputs" "$data/tiles/t$i.las" 3 1000 "$i" >/dev/null
    echo "$data/tiles/t$i.las" >> "$data/tiles.tmp"
  done
  mv "$data/tiles.tmp" "$data/tiles.txt"
fi
cp "$data/f3_$points.las" "$data/f3_copy.las"
cp "$data/f1_$points.las" "$data/f1_copy.las"
mapfile -t tiles < "$data/tiles.txt"

# Bring everything into the page cache.
cat "$data/f3_$points.las" "$data/f1_$points.las" "$data/f3_copy.las" "$data/f1_copy.las" "${tiles[@]}" > /dev/null

declare -A times rss
cases=(
  "f3:floor"  "f3:stats"  "f3:stats-d"  "f3:update"
  "f1:floor"  "f1:stats"  "f1:stats-d"  "f1:update"
  "list:floor" "list:stats" "list:stats-d"
)

run_case() {
  local input=${1%%:*} what=${1#*:}
  local file=$data/f3_$points.las copy=$data/f3_copy.las
  [ "$input" = f1 ] && file=$data/f1_$points.las && copy=$data/f1_copy.las
  local cmd
  case "$input:$what" in
    list:floor) cmd=("$floor" "${tiles[@]}") ;;
    list:stats) cmd=("$pointsieve" "$data/tiles.txt") ;;
    list:stats-d) cmd=("$pointsieve" "$data/tiles.txt" -d) ;;
    *:floor) cmd=("$floor" "$file") ;;
    *:stats) cmd=("$pointsieve" "$file") ;;
    *:stats-d) cmd=("$pointsieve" "$file" -d) ;;
    *:update) cmd=("$update" "$copy") ;;
  esac
  timed "$1" "${cmd[@]}"
}

run_rounds "$rounds"

echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "Inputs: $points points of format 3 ($(( $(stat -c %s "$data/f3_$points.las") / 1048576 )) MiB), of format 1 ($(( $(stat -c %s "$data/f1_$points.las") / 1048576 )) MiB), 1000 files of 1000 points of format 3; $rounds alternating rounds, medians"
echo
printf '| %-24s | %10s | %13s | %13s |\n' "run" "median (s)" "ratio to floor" "peak RSS (MiB)"
printf '|%s|%s|%s|%s|\n' "--------------------------" "------------" "----------------" "-----------------"
for c in "${cases[@]}"; do
  input=${c%%:*}
  m=$(echo "${times[$c]}" | median)
  f=$(echo "${times[$input:floor]}" | median)
  peak=$(echo "${rss[$c]}" | maxof)
  label=$c
  case $c in
    *:floor) label="$input: floor (read)" ;;
    *:stats) label="$input: Pointsieve" ;;
    *:stats-d) label="$input: Pointsieve -d" ;;
    *:update) label="$input: update_header" ;;
  esac
  awk -v l="$label" -v m="$m" -v f="$f" -v p="$peak" \
    'BEGIN {printf "| %-24s | %10.3f | %13.2f | %13.1f |\n", l, m / 1e6, m / f, p / 1024}' 
done
rm -f "$data/f3_copy.las" "$data/f1_copy.las"

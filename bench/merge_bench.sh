#!/usr/bin/env bash
# Benchmark of Pointsieve-merge: merges 20,000 statistics files, with and
# without the detailed histograms, and times cat of the same files in the
# same run, with the files in the page cache.
#
#   merge_bench.sh BUILD_DIR
#
# Environment: ROUNDS (default 5) alternating rounds; FILES (default 20000)
# statistics files; BENCH_DATA (default BUILD_DIR/bench-data).
set -euo pipefail
source "$(dirname "$0")/timing.sh"

build=$(cd "$1" && pwd)
pointsieve=$build/Pointsieve
merge=$build/Pointsieve-merge
make_inputs=$build/bench/bench_make_inputs
rounds=${ROUNDS:-5}
files=${FILES:-20000}
data=${BENCH_DATA:-$build/bench-data}/merge
mkdir -p "$data"

# 40 tiles of 1,000 points of format 3, summarised once each with -s and
# once with -s -d; their statistics files are copied round-robin to the
# names that are merged.
if [ ! -f "$data/plain_$files.txt" ]; then
  echo "writing $files statistics files of each kind"
  mkdir -p "$data/tiles" "$data/plain" "$data/detailed"
  for i in $(seq -w 1 40); do
    tile=$data/tiles/t$i.las
    "$make_inputs" "$tile" 3 1000 "$i" > /dev/null
    "$pointsieve" "$tile" -s > /dev/null
    mv "$data/tiles/t${i}_stats.asc" "$data/tiles/p$i.asc"
    "$pointsieve" "$tile" -s -d > /dev/null
    mv "$data/tiles/t${i}_stats.asc" "$data/tiles/d$i.asc"
  done
  # Written by the shell itself: a process per file would take longer
  # than the benchmark.
  declare -a plain detailed
  for i in $(seq -w 1 40); do
    plain+=("$(cat "$data/tiles/p$i.asc")")
    detailed+=("$(cat "$data/tiles/d$i.asc")")
  done
  for ((k = 0; k < files; k++)); do
    printf '%s\n' "${plain[k % 40]}" > "$data/plain/s$k.asc"
    printf '%s\n' "${detailed[k % 40]}" > "$data/detailed/s$k.asc"
    echo "$data/plain/s$k.asc" >&3
    echo "$data/detailed/s$k.asc" >&4
  done 3> "$data/plain.tmp" 4> "$data/detailed.tmp"
  mv "$data/detailed.tmp" "$data/detailed_$files.txt"
  mv "$data/plain.tmp" "$data/plain_$files.txt"
fi

declare -A times rss
cases=("plain:cat" "plain:merge" "detailed:cat" "detailed:merge")
for kind in plain detailed; do
  xargs cat < "$data/${kind}_$files.txt" > /dev/null  # into the page cache
done

run_case() {
  local kind=${1%%:*} what=${1#*:}
  local list=$data/${kind}_$files.txt
  if [ "$what" = cat ]; then
    timed "$1" xargs -a "$list" cat
  else
    timed "$1" "$merge" -l "$list" -o "$data/merged.asc" -t "$data/table.csv"
  fi
}

run_rounds "$rounds"

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
for kind in plain detailed; do
  echo "$kind: $files files, $(xargs cat < "$data/${kind}_$files.txt" | wc -c) bytes, $(xargs cat < "$data/${kind}_$files.txt" | wc -l) lines"
done
echo "$rounds alternating rounds, medians; the merge writes -o and -t"
echo
printf '| %-18s | %10s | %12s | %14s |\n' "run" "median (s)" "ratio to cat" "peak RSS (MiB)"
printf '|%s|%s|%s|%s|\n' "--------------------" "------------" "--------------" "----------------"
status=0
for c in "${cases[@]}"; do
  kind=${c%%:*}
  m=$(echo "${times[$c]}" | median)
  f=$(echo "${times[$kind:cat]}" | median)
  peak=$(echo "${rss[$c]}" | maxof)
  awk -v l="$kind: ${c#*:}" -v m="$m" -v f="$f" -v p="$peak" \
    'BEGIN {printf "| %-18s | %10.3f | %12.2f | %14.1f |\n", l, m / 1e6, m / f, p / 1024}'
  if [ "${c#*:}" = merge ] && [ $((m)) -gt $((3 * f)) ]; then
    echo "FAIL: the merge of the $kind files takes more than 3 times cat"
    status=1
  fi
done
exit $status

# Shared by the end-to-end benchmarks (sourced): one command timed with its
# peak RSS, alternating rounds, medians. The caller declares the
# associative arrays times and rss, the list cases, a function run_case
# CASE, and data, a folder for scratch files.

# timed KEY COMMAND...: runs COMMAND, output discarded, and adds its wall
# time (microseconds) and peak RSS (KiB) to times[KEY] and rss[KEY].
timed() {
  local key=$1 t0 t1
  shift
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$data/rss.txt" "$@" > /dev/null
  t1=$(date +%s%N)
  times[$key]+="$(( (t1 - t0) / 1000 )) "
  rss[$key]+="$(cat "$data/rss.txt") "
}

# run_rounds N: every case once per round, N rounds.
run_rounds() {
  local r c
  for ((r = 1; r <= $1; r++)); do
    for c in "${cases[@]}"; do run_case "$c"; done
    echo "round $r of $1 done"
  done
}

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
maxof() { tr ' ' '\n' | grep -v '^$' | sort -n | tail -1; }

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

# pair NAME A... -- B...: A against B, in rounds rounds; prints the medians
# and the ratio (farm-bench pairs them where it is installed).
pair() {
  local name=$1 a=() b=()
  shift
  while [ "$1" != -- ]; do a+=("$1"); shift; done
  shift
  b=("$@")
  echo "== $name"
  if command -v farm-bench > /dev/null; then
    farm-bench -n "$rounds" --timeout 3600 --vs "${b[*]}" -- "${a[@]}" | grep -E 'wall|cpu|peak'
  else
    declare -A times rss
    local r
    for ((r = 0; r < rounds; r++)); do timed A "${a[@]}"; timed B "${b[@]}"; done
    awk -v a="$(echo "${times[A]}" | median)" -v b="$(echo "${times[B]}" | median)" \
      'BEGIN {printf "median A %.3f s, B %.3f s, A/B %.2f\n", a / 1e6, b / 1e6, a / b}'
  fi
}

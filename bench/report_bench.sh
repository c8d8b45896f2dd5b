#!/usr/bin/env bash
# The report at scale: synthesises the tables of a 100,000-tile delivery
# (tiles.csv, verdicts.tsv, archive_stats.asc of a -d run) and measures
# report.html: the time and peak memory to write it, its size, and the time
# headless Chromium takes to open it. Twice: a delivery where 1 tile in 50
# has a finding, and one where every tile has (the largest page).
#
#   bench/report_bench.sh BUILD_DIR [TILES]
#
# BUILD_DIR is a build configured with -DPOINTSIEVE_BUILD_BENCH=ON and
# bench_report built (cmake --build BUILD_DIR --target bench_report). The
# limits: at most 40 MB, written in under 10 s, open in under 15 s.
set -euo pipefail
build=$(cd "$1" && pwd)
tiles=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
writer=$build/bench/bench_report
[ -x "$writer" ] || { echo "no $writer: build the bench_report target first" >&2; exit 1; }
work=$build/bench-data/report
mkdir -p "$work"

# synthesise DIR EVERY: tiles on a square grid of 1000-unit tiles, one in
# EVERY with a density warning; the first tile holds no points, the second
# lies 100 km off. The figures are plausible, not computed from points.
synthesise() {
  local dir=$1 every=$2
  mkdir -p "$dir"
  rm -f "$dir/report.html"
  awk -v n="$tiles" -v every="$every" -v dir="$dir" 'BEGIN {
    split("readable complete points header_box header_returns return_numbers never_classified unclassified withheld density z_span gps_time duplicate position", check, " ")
    csv = dir "/tiles.csv"; tsv = dir "/verdicts.tsv"
    printf "tile,status,reason,las_version,point_format,declared,read,stats,x_min,x_max,y_min,y_max,z_min,z_max," \
           "outside_header_box,header_returns,return_number_0,number_of_returns_0,return_above_number,pulses,class_0,class_1,withheld," \
           "gps_encoding,gps_min,gps_max,area,density,footprint,digest" > csv
    for (c = 1; c <= 14; c++) printf ",check:%s", check[c] > csv
    printf "\n" > csv
    side = int(sqrt(n)) + 1
    for (t = 0; t < n; t++) {
      x0 = 480000 + (t % side) * 1000; y0 = 4100000 + int(t / side) * 1000
      if (t == 1) x0 += 100000
      points = t == 0 ? 0 : 2000000 + (t * 7919) % 400000
      low = every == 1 ? t > 1 : t % every == 5
      if (low) points = int(points / 20)
      name = sprintf("block_%03d/tile_%06d_%07d.las", int(t / 1000), x0, y0)
      printf "%s,ok,,1.2,1,%d,%d,stats/%s_stats.asc,", name, points, points, substr(name, 1, length(name) - 4) > csv
      if (points == 0) {
        printf ",,,,,,0,equal,0,0,0,0,0,0,0,standard,,,,,,%016x%016x", t, t > csv
      } else {
        printf "%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,0,equal,0,0,0,%d,0,%d,0,standard,%.6f,%.6f,1000000,%.6g,", \
          x0, x0 + 999.99, y0, y0 + 999.99, 100 + t % 50, 180 + t % 70, points * 0.6, points * 0.1, \
          3e8 + t * 10, 3e8 + t * 10 + 900, points / 1e6 > csv
        printf "\"POLYGON((%.2f %.2f,%.2f %.2f,%.2f %.2f,%.2f %.2f,%.2f %.2f))\",%016x%016x", x0, y0, x0 + 999.99, y0, \
          x0 + 999.99, y0 + 999.99, x0, y0 + 999.99, x0, y0, t * 2654435761 % 4294967296, t > csv
      }
      for (c = 1; c <= 14; c++) {
        v = "pass"
        if (t == 0 && (check[c] == "points")) v = "fail"
        if (t == 0 && (check[c] == "density" || check[c] == "z_span" || check[c] == "gps_time" || check[c] == "position" || check[c] == "header_box")) v = "-"
        if (t == 1 && check[c] == "position") v = "fail"
        if (low && check[c] == "density") v = "warn"
        printf ",%s", v > csv
        count[c, v]++
        if (v == "warn" || v == "fail") printf "%s\t%s\t%s\t%s\t%s\n", v, check[c], name, "0.05", "0.25" > tsv
      }
      printf "\n" > csv
    }
    for (c = 1; c <= 14; c++)
      printf "total\t%s\tpass=%d warn=%d fail=%d\n", check[c], count[c, "pass"], count[c, "warn"], count[c, "fail"] > tsv
  }'
  {
    printf 'TotalPoints %18.0f\n' 200000000000
    printf '%sReturns %19.0f\n' 1st 120000000000 2nd 50000000000 3rd 20000000000 4th 10000000000
    for k in 1 2 3 4; do printf 'NumberReturns%d %15.0f\n' "$k" $((60000000000 - k * 10000000000)); done
    for c in 1 2 3 4 5 6 7 9 17 130; do printf 'Class%03d %21.0f\n' "$c" $((20000000000 / (c % 7 + 1))); done
    for i in $(seq 0 3 4000); do printf 'Intensity%05d %15.0f\n' "$i" $((i * (4000 - i))); done
    for a in $(seq -30 -1); do printf 'ScanAngleRank%04d %12.0f\n' "$a" $((900 - a * a)); done
    for a in $(seq 0 30); do printf 'ScanAngleRank%03d %13.0f\n' "$a" $((900 - a * a)); done
    for u in 0 1 2; do printf 'UserData%03d %18.0f\n' "$u" 1000; done
    for s in $(seq 1 400); do printf 'PointSourceID%05d %11.0f\n' "$s" $((s * 1000)); done
  } >"$dir/archive_stats.asc"
}

measure() {
  local dir=$1 what=$2
  local t0 t1
  t0=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$dir/rss" "$writer" "$dir" -d
  t1=$(date +%s.%N)
  local size
  size=$(stat -c %s "$dir/report.html")
  printf '%s: tiles.csv %.1f MB; report.html %.1f MB, written in %.2f s, peak memory %.1f MiB\n' "$what" \
    "$(echo "$(stat -c %s "$dir/tiles.csv") / 1000000" | bc -l)" "$(echo "$size / 1000000" | bc -l)" \
    "$(echo "$t1 - $t0" | bc -l)" "$(echo "$(cat "$dir/rss") / 1024" | bc -l)"
  if command -v node >/dev/null && [ -x "${CHROMIUM:-/usr/bin/chromium}" ]; then
    printf '  headless Chromium: '
    node "$here/../tests/qa/report_browser.mjs" "$dir" --tmp "$dir" --no-check --timing
  fi
}

synthesise "$work/some" 50
measure "$work/some" "$tiles tiles, 1 in 50 with a finding"
synthesise "$work/all" 1
measure "$work/all" "$tiles tiles, every one with a finding"

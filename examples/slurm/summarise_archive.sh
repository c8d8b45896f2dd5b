#!/usr/bin/env bash
# Summarises an archive of LAS tiles on a Slurm cluster: one job array
# whose tasks each summarise one shard of the tiles, tile by tile, and one
# merge job that combines the shards into the figures of the whole archive.
#
# Usage: summarise_archive.sh LIST SHARDS WORK [-d]
#   LIST    names of the tiles, separated by white space; the tiles may be
#           of mixed LAS versions and point formats. Relative names are
#           taken from the current folder.
#   SHARDS  number of shards, one array task each.
#   WORK    folder for everything written, on a file system the compute
#           nodes share; nothing is written beside the tiles.
#   -d      also the detailed histograms (intensity, scan angle rank, user
#           data, point source ID).
# Writes WORK/archive_stats.asc (the statistics file of the whole archive),
# WORK/archive_report.txt (its report) and WORK/tiles.csv (one row per
# tile). Exits 0 only when every job succeeded; when a tile fails it names
# the shard and the tile, exits 1 and writes no archive_stats.asc.
#
# POINTSIEVE and POINTSIEVE_MERGE name the programs (default: on the PATH).
# Slurm's own SBATCH_* variables (SBATCH_PARTITION, SBATCH_ACCOUNT,
# SBATCH_TIMELIMIT, ...) choose the partition, account and limits.
# POINTSIEVE_POLL_SECONDS sets how often the queue is looked at (default 5).
set -euo pipefail

me=$(basename "$0")
say() { echo "$me: $*" >&2; }

# One array task: the tiles of shard K, each through a link in the task's
# own folder, then the merge of their statistics files.
run_shard() {
    local work=$1 pointsieve=$2 merge=$3 detail=$4 k=$SLURM_ARRAY_TASK_ID
    local dir=$work/shard_$k index tile base
    rm -rf "$dir/tiles" "$dir/DONE" "$dir/FAILED"
    mkdir -p "$dir/tiles"
    : > "$dir/stats.txt"
    while read -r index tile; do
        base=$(basename "$tile")
        base=${index}_${base%.*}
        ln -s "$tile" "$dir/tiles/$base.las"
        if ! (cd "$dir/tiles" && "$pointsieve" "$base.las" -s $detail) > "$dir/tiles/$base.log" 2>&1; then
            echo "shard $k, tile $tile: $(tr '\r' '\n' < "$dir/tiles/$base.log" | grep -v '^ *$' | tail -n 1)" \
                | tee "$dir/FAILED" >&2
            exit 1
        fi
        echo "shard_$k/tiles/${base}_stats.asc" >> "$dir/stats.txt"
    done < "$dir/tiles.txt"
    if ! (cd "$work" && "$merge" -o "shard_$k/shard_stats.asc" -t "shard_$k/tiles.csv" \
            -l "shard_$k/stats.txt") > "$dir/merge.log"; then
        echo "shard $k: $(grep -v '^ *$' "$dir/merge.log" | tail -n 1)" | tee "$dir/FAILED" >&2
        exit 1
    fi
    touch "$dir/DONE"
}

# The merge job: the shards into the archive, their tables into one.
run_merge() {
    local work=$1 merge=$2 shards=$3 k
    cd "$work"
    : > shards.txt
    for ((k = 1; k <= shards; k++)); do echo "shard_$k/shard_stats.asc" >> shards.txt; done
    head -n 1 shard_1/tiles.csv > tiles.csv.tmp
    for ((k = 1; k <= shards; k++)); do tail -n +2 "shard_$k/tiles.csv" >> tiles.csv.tmp; done
    mv tiles.csv.tmp tiles.csv
    "$merge" -o archive_stats.asc -l shards.txt > archive_report.txt.tmp
    mv archive_report.txt.tmp archive_report.txt
}

case ${1:-} in
    -h | --help) echo "usage: $me LIST SHARDS WORK [-d]"; exit 0 ;;
    --shard) shift; run_shard "$@"; exit ;;
    --merge) shift; run_merge "$@"; exit ;;
esac

if [ $# -lt 3 ] || [ $# -gt 4 ] || { [ $# -eq 4 ] && [ "$4" != -d ]; }; then
    echo "usage: $0 LIST SHARDS WORK [-d]" >&2
    exit 2
fi
list=$1 shards=$2 work=$3 detail=${4:-}
case $shards in '' | *[!0-9]* | 0*) say "SHARDS must be a positive number, not $shards"; exit 2 ;; esac
pointsieve=$(command -v "${POINTSIEVE:-Pointsieve}") || { say "cannot find ${POINTSIEVE:-Pointsieve}"; exit 2; }
merge=$(command -v "${POINTSIEVE_MERGE:-Pointsieve-merge}") || { say "cannot find ${POINTSIEVE_MERGE:-Pointsieve-merge}"; exit 2; }
# The jobs run elsewhere: every path they get is absolute.
case $pointsieve in /*) ;; *) pointsieve=$PWD/$pointsieve ;; esac
case $merge in /*) ;; *) merge=$PWD/$merge ;; esac
script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
mkdir -p "$work"
work=$(cd "$work" && pwd)
rm -f "$work/archive_stats.asc" "$work/archive_report.txt" "$work/tiles.csv"

# The shards: consecutive runs of the list, as even as can be, each tile
# numbered in list order.
tr -s ' \t\r' '\n\n\n' < "$list" | grep -v '^$' | awk -v pwd="$PWD" '{ print NR "\t" ($0 ~ /^\// ? $0 : pwd "/" $0) }' \
    > "$work/all_tiles.txt"
count=$(wc -l < "$work/all_tiles.txt")
if [ "$count" -eq 0 ]; then say "no tiles listed in $list"; exit 1; fi
if [ "$shards" -gt "$count" ]; then shards=$count; fi
for ((k = 1; k <= shards; k++)); do
    mkdir -p "$work/shard_$k"
    rm -f "$work/shard_$k/DONE" "$work/shard_$k/FAILED"
    awk -v from=$(( (k - 1) * count / shards + 1 )) -v to=$(( k * count / shards )) \
        'NR >= from && NR <= to' "$work/all_tiles.txt" > "$work/shard_$k/tiles.txt"
done
mkdir -p "$work/logs"

array=$(sbatch --parsable --job-name=pointsieve-shards --array="1-$shards" --ntasks=1 --cpus-per-task=1 \
    --output="$work/logs/shard_%a.out" "$script" --shard "$work" "$pointsieve" "$merge" "$detail")
array=${array%%;*}
final=$(sbatch --parsable --job-name=pointsieve-merge --ntasks=1 --dependency="afterok:$array" \
    --kill-on-invalid-dep=yes --output="$work/logs/merge.out" "$script" --merge "$work" "$merge" "$shards")
final=${final%%;*}
say "submitted $shards shard tasks (job $array) and the merge (job $final) for $count tiles"

# Wait until neither job is pending or running any more. A failed task
# makes the merge's dependency fail, which cancels the merge. Jobs that
# Slurm has already forgotten are over; a controller that does not answer
# is asked again.
while :; do
    if queued=$(squeue --noheader --jobs="$array,$final" --format=%i 2>&1); then
        [ -z "$queued" ] && break
    else
        case $queued in *"Invalid job id"*) break ;; esac
    fi
    sleep "${POINTSIEVE_POLL_SECONDS:-5}"
done

failed=0
for ((k = 1; k <= shards; k++)); do
    if [ -f "$work/shard_$k/FAILED" ]; then
        say "$(cat "$work/shard_$k/FAILED")"
        failed=1
    elif [ ! -f "$work/shard_$k/DONE" ]; then
        say "shard $k did not finish: see $work/logs/shard_$k.out"
        failed=1
    fi
done
if [ "$failed" -ne 0 ]; then
    rm -f "$work/archive_stats.asc"
    exit 1
fi
if [ ! -f "$work/archive_stats.asc" ] || [ ! -f "$work/archive_report.txt" ]; then
    say "the merge did not finish: see $work/logs/merge.out"
    rm -f "$work/archive_stats.asc"
    exit 1
fi
say "wrote $work/archive_stats.asc, $work/archive_report.txt and $work/tiles.csv"

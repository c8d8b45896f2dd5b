#!/usr/bin/env bash
# Audits an archive of LAS tiles on a Slurm cluster with Pointsieve-qa: one
# job array whose task K audits the K-th of SHARDS consecutive slices of the
# list, and one combine job that judges the whole archive from the shards'
# tables, exactly as one Pointsieve-qa run over every tile would.
#
# Usage: summarise_archive.sh LIST SHARDS WORK [-d]
#        summarise_archive.sh --help
#   LIST    the tiles, one name per line (names may hold spaces and any
#           bytes; CR LF line ends and a byte-order mark are fine). Relative
#           names are taken from the current folder. Pointsieve-qa reads the
#           list; this script never reads, splits or rewrites a name.
#   SHARDS  number of array tasks; more shards than tiles gives one tile each.
#   WORK    folder for everything written, on a file system the compute
#           nodes share; nothing is written beside the tiles.
#   -d      also the detailed histograms in the statistics files.
# Writes, in WORK:
#   shard_K/    the audit of task K (Pointsieve-qa --shard K/SHARDS -l LIST)
#   archive/    the audit of the whole archive (Pointsieve-qa --combine):
#               tiles.csv, verdicts.tsv, archive_stats.asc, report.html
#   logs/       each job's output (shard_K.out, combine.out) and exit status
# A task whose audit found tiles that are unreadable or fail a check (its
# status 1) has done its work: the combine still runs. A task that fails
# (status 255: a bad list, WORK cannot be written, ...) cancels the combine.
#
# Exit status: the combine's (0: every tile read, no check failed; 1: some
# tile unreadable or failing a check); 255 when a task or the combine failed
# (each failed task is named, with the last line of its output), or for a
# bad argument. The combine's standard output, the figures and the verdict
# grid of the whole archive, is printed at the end.
#
# POINTSIEVE_QA names the program (default: Pointsieve-qa on the PATH).
# Slurm's own SBATCH_* variables (SBATCH_PARTITION, SBATCH_ACCOUNT,
# SBATCH_TIMELIMIT, SBATCH_CPUS_PER_TASK, ...) choose the partition, account
# and limits; each task reads as many tiles at once as it has CPUs.
# POINTSIEVE_POLL_SECONDS sets how often the queue is looked at (default 5).
set -eEuo pipefail
# Status 1 means findings: any other failure of this script is 255.
trap 'exit 255' ERR

me=$(basename -- "$0")
say() { printf '%s: %s\n' "$me" "$*" >&2; }
usage() { printf 'usage: %s LIST SHARDS WORK [-d]\n' "$me"; }

# Array task K: the audit of the K-th slice. Status 1 is a result, not a
# failure, so that the combine runs.
run_shard() {
    local qa=$1 list=$2 work=$3 shards=$4 detail=$5 from=$6 k=$SLURM_ARRAY_TASK_ID status=0
    exec > "$work/logs/shard_$k.out" 2>&1
    cd -- "$from"
    local options=()
    [ -z "$detail" ] || options+=(-d)
    "$qa" "${options[@]}" --shard "$k/$shards" -l "$list" -o "$work/shard_$k" || status=$?
    echo "$status" > "$work/logs/shard_$k.status"
    [ "$status" -le 1 ]
}

# The combine job: the shards' audits into the archive's.
run_combine() {
    local qa=$1 work=$2 shards=$3 k status=0 dirs=()
    exec > "$work/logs/combine.out" 2> "$work/logs/combine.err"
    for ((k = 1; k <= shards; k++)); do dirs+=("$work/shard_$k"); done
    "$qa" --combine -o "$work/archive" -- "${dirs[@]}" || status=$?
    echo "$status" > "$work/logs/combine.status"
    [ "$status" -le 1 ]
}

case ${1:-} in
    --run-shard) shift; run_shard "$@"; exit ;;
    --run-combine) shift; run_combine "$@"; exit ;;
    -h | --help) usage; exit 0 ;;
esac

if [ $# -lt 3 ] || [ $# -gt 4 ] || { [ $# -eq 4 ] && [ "$4" != -d ]; }; then
    usage >&2
    exit 255
fi
list=$1 shards=$2 work=$3 detail=${4:-}
case $shards in
    '' | *[!0-9]* | 0*) say "SHARDS must be a whole number from 1 up, not '$shards'"; exit 255 ;;
esac
# Above the shell's largest number: refused before any arithmetic wraps.
if [ ${#shards} -gt 19 ] || { [ ${#shards} -eq 19 ] && [[ $shards > 9223372036854775807 ]]; }; then
    say "SHARDS $shards is too large: at most 9223372036854775807"
    exit 255
fi
if [ ! -f "$list" ] || [ ! -r "$list" ]; then
    say "cannot read the list $list"
    exit 255
fi
# Lines that name a tile (not blank once a byte-order mark is set aside),
# counted as bytes, whatever the locale.
count=$(LC_ALL=C sed -e '1s/^\xEF\xBB\xBF//' -- "$list" | LC_ALL=C grep -c '[^[:space:]]' || true)
if [ "$count" -eq 0 ]; then
    say "the list $list names no tile"
    exit 255
fi
if [ "$shards" -gt "$count" ]; then shards=$count; fi
qa=$(command -v -- "${POINTSIEVE_QA:-Pointsieve-qa}") || { say "cannot find ${POINTSIEVE_QA:-Pointsieve-qa}"; exit 255; }
# The jobs run elsewhere: every path they get is absolute.
case $qa in /*) ;; *) qa=$PWD/$qa ;; esac
case $list in /*) ;; *) list=$PWD/$list ;; esac
script=$(cd -- "$(dirname -- "$0")" && pwd)/$(basename -- "$0")
mkdir -p -- "$work/logs"
work=$(cd -- "$work" && pwd)
rm -f -- "$work"/logs/shard_*.status "$work"/logs/combine.status

# Slurm expands % and \ in the names of --output and --error: the jobs
# write their output themselves, so WORK may hold any character.
if ! array=$(sbatch --parsable --job-name=pointsieve-qa --array="1-$shards" --ntasks=1 --output=/dev/null \
        --error=/dev/null "$script" --run-shard "$qa" "$list" "$work" "$shards" "$detail" "$PWD"); then
    say "sbatch refused the $shards shard tasks (above the cluster's MaxArraySize? give fewer SHARDS)"
    exit 255
fi
array=${array%%;*}
if ! final=$(sbatch --parsable --job-name=pointsieve-qa-combine --ntasks=1 --dependency="afterok:$array" \
        --kill-on-invalid-dep=yes --output=/dev/null --error=/dev/null "$script" --run-combine "$qa" "$work" \
        "$shards"); then
    say "sbatch refused the combine: cancelling the shard tasks (job $array)"
    scancel "$array" || true
    exit 255
fi
final=${final%%;*}
say "submitted $shards shard tasks (job $array) and the combine (job $final) for $count tiles"

# Wait until neither job is pending or running any more. A failed task
# makes the combine's dependency fail, which cancels the combine. Jobs that
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
    status=$(cat -- "$work/logs/shard_$k.status" 2> /dev/null || true)
    case $status in
        0 | 1) ;;
        '') say "shard $k (job ${array}_$k) did not finish: see $work/logs/shard_$k.out"; failed=1 ;;
        *) say "shard $k (job ${array}_$k) failed with status $status: $(tr '\r' '\n' < "$work/logs/shard_$k.out" |
                grep -v '^ *$' | tail -n 1)"; failed=1 ;;
    esac
done
status=$(cat -- "$work/logs/combine.status" 2> /dev/null || true)
if [ "$failed" -ne 0 ]; then
    say "the combine (job $final) did not run: no audit of the whole archive"
    exit 255
fi
case $status in
    0 | 1)
        cat -- "$work/logs/combine.out"
        say "wrote $work/archive"
        exit "$status" ;;
    '') say "the combine (job $final) did not finish: see $work/logs/combine.err"; exit 255 ;;
    *) say "the combine (job $final) failed with status $status: $(grep -v -- '^ *$' "$work/logs/combine.err" |
            tail -n 1)"; exit 255 ;;
esac

#!/usr/bin/env bash
# A one-node Slurm cluster on this machine runs examples/slurm/summarise_archive.sh.
# Over generated tiles of three LAS types in 8 shards, a broken tile among
# them, the archive's archive_stats.asc must equal the merge of one
# Pointsieve run per LAS type. Over the generated delivery, with names that
# are not UTF-8 or 250 bytes long, listed with a byte-order mark and CR LF,
# into a WORK path holding %j and a backslash, the archive must be that of
# one Pointsieve-qa run over the same list. A task that fails is named and
# cancels the combine; an empty or blank list and a SHARDS above 2^63 are
# refused at once.
#
#   slurm_test.sh BUILD_DIR SOURCE_DIR MAKE_TILES TMP_ROOT MAKE_DELIVERY QA
#
# Exits 77 (skipped) without root or without the Slurm and MUNGE programs.
set -euo pipefail
build=$1 source=$2 make_tiles=$3 tmp_root=$4 make_delivery=$5 qa=$6
pointsieve=$build/Pointsieve
merge=$build/Pointsieve-merge
example=$source/examples/slurm/summarise_archive.sh

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the Slurm daemons need root"
    exit 77
fi
for p in munged slurmctld slurmd sbatch squeue sinfo; do
    if ! command -v "$p" > /dev/null 2>&1 && [ ! -x "/usr/sbin/$p" ]; then
        echo "SKIP: $p is not installed (apt-get install slurmctld slurmd slurm-client munge)"
        exit 77
    fi
done
export PATH=$PATH:/usr/sbin

mkdir -p "$tmp_root"
tmp=$(mktemp -d "$tmp_root/cluster.XXXXXX")
chmod 700 "$tmp"
pids=()
stop_daemons() {
    local status=$?
    local pid
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2> /dev/null || true; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    done
    if [ "$status" -ne 0 ]; then
        for log in "$tmp"/*.log; do echo "--- $log"; tail -n 20 "$log"; done
    fi
    rm -rf "$tmp"
    exit "$status"
}
trap stop_daemons EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*"; exit 1; }
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        ss -ltnH "sport = :$port" 2> /dev/null | grep -q . || { echo "$port"; return; }
    done
}

# MUNGE with a key and a socket of its own.
mkdir -m 700 "$tmp/munge"
head -c 1024 /dev/urandom > "$tmp/munge/munge.key"
chmod 400 "$tmp/munge/munge.key"
munged --foreground --force --key-file="$tmp/munge/munge.key" --socket="$tmp/munge/munge.socket" \
    --pid-file="$tmp/munge/munged.pid" --seed-file="$tmp/munge/munge.seed" --log-file="$tmp/munged.log" \
    > /dev/null 2>&1 &
pids+=($!)

# The controller and the one node, with short scheduler intervals.
host=$(hostname -s)
mkdir -p "$tmp/state" "$tmp/spool"
cat > "$tmp/slurm.conf" <<CONF
ClusterName=pointsieve-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$tmp/munge/munge.socket
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SchedulerParameters=sched_interval=1,sched_min_interval=100000
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
SlurmdTimeout=30
MessageTimeout=5
KillWait=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$tmp/slurm.conf
unset SBATCH_PARTITION SBATCH_ACCOUNT
slurmctld -D -i > /dev/null 2>&1 &
pids+=($!)
slurmd -D > /dev/null 2>&1 &
pids+=($!)

for _ in $(seq 120); do
    state=$(sinfo --noheader --format=%t 2> /dev/null || true)
    [ "$state" = idle ] && break
    sleep 0.5
done
[ "$state" = idle ] || fail "the node did not become idle (sinfo: ${state:-no answer})"
echo "cluster up after $SECONDS s"

# 240 tiles of LAS types 1, 6 and 8, and a broken one: a finding (status 1),
# not a failure; the archive is that of the tiles that could be read.
mkdir "$tmp/tiles"
"$make_tiles" "$tmp/tiles" 240 18
head -c 100 /dev/urandom > "$tmp/tiles/broken.las"
sed '100a\'"$tmp/tiles/broken.las" "$tmp/tiles/tiles.txt" > "$tmp/tiles/with_broken.txt"
export POINTSIEVE_QA=$qa POINTSIEVE_POLL_SECONDS=1
status=0
"$example" "$tmp/tiles/with_broken.txt" 8 "$tmp/work" -d > "$tmp/archive.out" 2> "$tmp/archive.err" || status=$?
[ "$status" -eq 1 ] || { cat "$tmp/archive.err"; fail "summarise_archive.sh exited $status, not 1, with a broken tile"; }
echo "archive audited after $SECONDS s"

# The expected figures: one run per LAS type, merged.
mkdir "$tmp/expected"
cd "$tmp/expected"
types=()
for list in "$tmp"/tiles/type_*.txt; do
    cp "$list" .
    "$pointsieve" "$(basename "$list")" -s -d > /dev/null || fail "Pointsieve $list failed"
    types+=("$(basename "$list" .txt)_stats.asc")
done
[ "${#types[@]}" -ge 2 ] || fail "fewer than two LAS types"
"$merge" -o archive_stats.asc "${types[@]}" > /dev/null || fail "merge of the types failed"
cmp archive_stats.asc "$tmp/work/archive/archive_stats.asc" || fail "archive_stats.asc differs from the merge of the types"
[ "$(wc -l < "$tmp/work/archive/tiles.csv")" -eq 242 ] || fail "tiles.csv does not hold a heading and 241 rows"
grep -q "^$tmp/tiles/broken.las,refused," "$tmp/work/archive/tiles.csv" || fail "the broken tile is not refused in tiles.csv"
# The rows name the tiles, in list order.
cmp <(tail -n +2 "$tmp/work/archive/tiles.csv" | cut -d, -f1) "$tmp/tiles/with_broken.txt" ||
    fail "tiles.csv does not name the tiles in list order"

# The generated delivery, and tiles under hostile names, in a list with a
# byte-order mark and CR LF line ends, relative names from the current folder.
cd "$tmp"
"$make_delivery" delivery > delivery.tsv
mkdir hostile
latin1=$'hostile/caf\xe9 \xff tile.las'
long=hostile/$(printf 'n%.0s' $(seq 246)).las
cp delivery/east/c_3.las "$latin1"
cp delivery/north/t_1.0_1.las "$long"
{
    printf '\xef\xbb\xbf'
    cut -f1 delivery.tsv | sed 's|^|delivery/|'
    printf '%s\n' "$latin1" "$long"
} | sed 's/$/\r/' > hostile.txt
work="$tmp/work %j \\ x"
status=0
"$example" hostile.txt 3 "$work" -d > hostile.out 2> hostile.err || status=$?
[ "$status" -eq 1 ] || { cat hostile.err; fail "summarise_archive.sh exited $status, not 1, on the delivery"; }
status=0
"$qa" -d -l hostile.txt -o one > one.out 2> one.err || status=$?
[ "$status" -eq 1 ] || { cat one.err; fail "Pointsieve-qa exited $status, not 1, on the delivery"; }
echo "delivery audited after $SECONDS s"
[ -d "$tmp/work %j \\ x/archive" ] || fail "no archive under the WORK path as given"
# The same tables as one run (the statistics paths aside, which point into
# the shards), the same statistics files, and the same standard output.
cmp one/tiles.csv <(sed 's#\.\./shard_[0-9]*/stats/#stats/#' "$work/archive/tiles.csv") ||
    fail "tiles.csv differs from one run's"
cmp one/verdicts.tsv "$work/archive/verdicts.tsv" || fail "verdicts.tsv differs from one run's"
cmp one/archive_stats.asc "$work/archive/archive_stats.asc" || fail "archive_stats.asc differs from one run's"
cmp one.out hostile.out || fail "the combine's standard output differs from one run's"
(cd one && find stats -type f) | while IFS= read -r file; do
    [ "$(cat "$work"/shard_*/"$file" | cmp - "one/$file" && echo same)" = same ] ||
        fail "statistics file $file differs from one run's, or is in more than one shard"
done
[ "$(find one/stats -type f | wc -l)" -eq "$(find "$work"/shard_*/stats -type f | wc -l)" ] ||
    fail "the shards hold other statistics files than one run"
LC_ALL=C grep -q "^$latin1,ok," one/tiles.csv || fail "the name that is not UTF-8 is not read"
[ "$(LC_ALL=C grep -c "^hostile/n\{246\}\.las,ok," one/tiles.csv)" -eq 1 ] || fail "the 250-byte name is not read"

# A task that fails (its OUTDIR holds someone else's file) is named, and
# the combine does not run; WORK starts with a dash and is still a path to
# every command.
mkdir -p "$tmp/-work2/shard_2"
echo mine > "$tmp/-work2/shard_2/notes.txt"
status=0
"$example" hostile.txt 3 -work2 2> failed.err || status=$?
[ "$status" -eq 255 ] || fail "summarise_archive.sh exited $status, not 255, with a failed task"
grep -q "shard 2 (job [0-9]*_2) failed with status 255" failed.err || { cat failed.err; fail "the failed task is not named"; }
[ -d "$tmp/-work2/shard_1" ] || fail "the shards did not run under the WORK that starts with a dash"
[ ! -e "$tmp/-work2/archive" ] || fail "the combine ran after a failed task"

# Refused before anything is submitted: an empty list, a blank one, SHARDS
# above 2^63.
: > empty.txt
printf '\xef\xbb\xbf \r\n\t\n\n' > blank.txt
for list in empty.txt blank.txt; do
    status=0
    timeout 20 "$example" "$list" 3 "$tmp/work3" 2> refused.err || status=$?
    [ "$status" -eq 255 ] && grep -q "names no tile" refused.err || fail "$list: status $status, $(cat refused.err)"
done
status=0
timeout 20 "$example" hostile.txt 9223372036854775808 "$tmp/work3" 2> refused.err || status=$?
[ "$status" -eq 255 ] && grep -q "too large" refused.err || fail "SHARDS 2^63: status $status, $(cat refused.err)"
[ ! -e "$tmp/work3" ] || fail "a refused run wrote WORK"
echo "PASS after $SECONDS s"

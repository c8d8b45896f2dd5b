#!/usr/bin/env bash
# A one-node Slurm cluster on this machine runs examples/slurm/summarise_archive.sh
# over generated tiles of three LAS types in 8 shards: its archive_stats.asc
# must equal the merge of one Pointsieve run per LAS type, and tiles.csv
# must hold one row per tile with that tile's own figures. A broken tile
# must fail the run, named with its shard, and leave no archive_stats.asc.
#
#   slurm_test.sh BUILD_DIR SOURCE_DIR MAKE_TILES TMP_ROOT
#
# Exits 77 (skipped) without root or without the Slurm and MUNGE programs.
set -euo pipefail
build=$1 source=$2 make_tiles=$3 tmp_root=$4
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

# 240 tiles of LAS types 1, 6 and 8.
mkdir "$tmp/tiles"
"$make_tiles" "$tmp/tiles" 240 18
export POINTSIEVE=$pointsieve POINTSIEVE_MERGE=$merge POINTSIEVE_POLL_SECONDS=1
"$example" "$tmp/tiles/tiles.txt" 8 "$tmp/work" -d || fail "summarise_archive.sh failed"
echo "archive summarised after $SECONDS s"

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
"$merge" -o archive_stats.asc "${types[@]}" > archive_report.txt || fail "merge of the types failed"
cmp archive_stats.asc "$tmp/work/archive_stats.asc" || fail "archive_stats.asc differs from the merge of the types"
diff <(sed -n '/^Total points/,/^Elapsed/p' archive_report.txt | grep -v '^Elapsed') \
    <(sed -n '/^Total points/,/^Elapsed/p' "$tmp/work/archive_report.txt" | grep -v '^Elapsed') ||
    fail "archive_report.txt differs"

# Each tile's own statistics file, and its row in tiles.csv.
mkdir "$tmp/own"
cd "$tmp/own"
k=0
while read -r tile; do
    ln -s "$tile" "own_$k.las"
    "$pointsieve" "own_$k.las" -s -d > /dev/null || fail "Pointsieve $tile failed"
    echo "own_${k}_stats.asc" >> own.txt
    k=$((k + 1))
done < "$tmp/tiles/tiles.txt"
"$merge" -t own.csv -l own.txt > /dev/null || fail "table of the tiles' own statistics files failed"
[ "$(wc -l < "$tmp/work/tiles.csv")" -eq 241 ] || fail "tiles.csv does not hold a heading and 240 rows"
cmp <(cut -d, -f2- own.csv) <(cut -d, -f2- "$tmp/work/tiles.csv") || fail "tiles.csv rows differ from the tiles' figures"
# The rows name the tiles, in list order.
paste -d' ' <(tail -n +2 "$tmp/work/tiles.csv" | cut -d, -f1) <(xargs -n1 basename < "$tmp/tiles/tiles.txt") |
    while read -r row tile; do
        case $row in *"_${tile%.las}_stats.asc") ;; *) fail "row $row does not name $tile" ;; esac
    done

# A broken tile in one shard fails the run.
head -c 100 /dev/urandom > "$tmp/tiles/broken.las"
sed '100a\'"$tmp/tiles/broken.las" "$tmp/tiles/tiles.txt" > "$tmp/tiles/with_broken.txt"
if "$example" "$tmp/tiles/with_broken.txt" 8 "$tmp/work2" 2> "$tmp/broken.err"; then
    fail "summarise_archive.sh succeeded with a broken tile"
fi
shard=$(grep -l broken.las "$tmp"/work2/shard_*/tiles.txt | sed 's|.*/shard_\([0-9]*\)/tiles.txt|\1|')
grep -q "shard $shard, tile $tmp/tiles/broken.las" "$tmp/broken.err" ||
    { cat "$tmp/broken.err"; fail "the failure does not name shard $shard and the broken tile"; }
[ ! -e "$tmp/work2/archive_stats.asc" ] || fail "archive_stats.asc written despite the broken tile"
echo "PASS after $SECONDS s"

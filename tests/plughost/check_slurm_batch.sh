#!/bin/sh
# Usage: check_slurm_batch.sh PLUGHOST PLUGIN MAKE_TEST_SIGNAL JOB_SCRIPT WORK
# A batch on a real Slurm cluster of one node, started here from Debian's
# packages (munge, slurmctld, slurmd) with everything in WORK, and stopped
# by the daemons' pids when done:
# 1. 24 short files in a job array of 4 tasks (JOB_SCRIPT): every output is
#    byte for byte what one local `plughost process --jobs 2` makes, and the
#    tasks' summaries name every file once;
# 2. the same with a 25th input that never ends (a FIFO): the task that
#    waits on it is cancelled with scancel, and leaves no temporary; the array
#    submitted again finishes the batch without touching a finished output.
# Needs root, for the daemons, and slurmd a cgroup file system at
# /sys/fs/cgroup, as every Debian system has; tools/install-deps installs
# them.
set -eu
plughost=$1 plugin=$2 make_signal=$3 job=$4 work=$5
if [ "$(id -u)" != 0 ]; then
    echo "the cluster's daemons need root: skipped"
    exit 77
fi
for tool in mungekey munged slurmctld slurmd sbatch squeue scancel sinfo; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps)"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"
work=$(pwd -P)
mkdir in local out again log state spool munge
chmod 700 munge
say() { echo "== $*"; }

# polls COMMAND every 0.2 s for up to SECONDS; fails saying WHAT.
await() {
    seconds=$1 what=$2
    shift 2
    tries=$((seconds * 5))
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || { echo "gave up waiting for $what"; exit 1; }
        sleep 0.2
    done
}

# The daemons go when the test does, however it ends.
feeder=""
stop() {
    [ -z "$feeder" ] || kill "$feeder" 2>/dev/null || true
    for pidfile in slurmd.pid slurmctld.pid munge/munged.pid; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
}
trap stop EXIT
trap 'exit 1' INT TERM

# The batch, and what one machine makes of it.
for k in $(seq 1 24); do
    "$make_signal" "in/f$(printf %02d "$k").wav" $((k % 3 + 1)) >/dev/null
done
ls "$work"/in/*.wav >list.txt
"$plughost" process "$plugin" --out-dir local --jobs 2 --quiet in/*.wav >/dev/null

# Two free ports on the loopback for slurmctld and slurmd.
port_free() {
    ! grep -qi ":$(printf %04X "$1") " /proc/net/tcp /proc/net/tcp6 2>/dev/null
}
port=$((20000 + $$ % 20000))
until port_free "$port" && port_free $((port + 1)); do port=$((port + 2)); done

host=$(uname -n)
# started NAME COMMAND...: runs a daemon's start, or fails with its log.
started() {
    name=$1
    shift
    "$@" || { echo "$name did not start:"; tail -n 5 "log/$name.log"; exit 1; }
}
mungekey --create --keyfile=munge/munge.key
started munged munged --force --socket="$work/munge/socket" --key-file="$work/munge/munge.key" \
    --log-file="$work/log/munged.log" --pid-file="$work/munge/munged.pid" \
    --seed-file="$work/munge/seed" 2>/dev/null
cat >slurm.conf <<EOF
ClusterName=plughost-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=batch Nodes=ALL Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$work/slurm.conf"
started slurmctld slurmctld -f "$SLURM_CONF"
started slurmd slurmd -f "$SLURM_CONF"
node_idle() { [ "$(sinfo -h -o %t 2>/dev/null)" = idle ]; }
await 60 "the node to come up (log/)" node_idle
say "a one-node cluster, $(nproc) CPUs, ports $port and $((port + 1))"

# submit OUT LIST [sbatch options]: the job array of 4 tasks over LIST.
submit() {
    out=$1 list=$2
    shift 2
    sbatch --array=0-3 --cpus-per-task=1 --output="$work/log/%A_%a.log" \
        --export="ALL,PLUGHOST=$plughost,PLUGIN=$plugin,LIST=$list,OUT=$out" "$@" "$job"
}
# The inputs a folder's summaries name as done, one a line, sorted.
done_inputs() {
    cat "$1"/summary-*.jsonl | grep '"status":"done"' | sed 's/.*"input":"\([^"]*\)".*/\1/' | sort
}
# Fails unless every output in folder $1 is the local one.
same_as_local() {
    [ "$(ls "$1"/*.wav | wc -l)" = "$2" ] || { echo "$1: $(ls "$1"/*.wav | wc -l) outputs"; exit 1; }
    for output in "$1"/*.wav; do
        name=${output##*/}
        [ "$name" = stream.wav ] && name=f01.wav
        cmp "$output" "local/$name"
    done
}
no_temporaries() {
    if ls -A "$1" | grep -q '^\.'; then
        echo "$1 holds temporaries: $(ls -A "$1" | grep '^\.')"
        exit 1
    fi
}

# 1. The whole batch in four shards.
started=$(date +%s)
submit "$work/out" "$work/list.txt" --wait >/dev/null
same_as_local out 24
[ "$(done_inputs out | uniq | wc -l)" = 24 ] && [ "$(done_inputs out | wc -l)" = 24 ] ||
    { echo "the summaries do not name every file once:"; cat out/summary-*.jsonl; exit 1; }
say "24 files in 4 tasks: outputs as the local run's, each file in the summaries once ($(($(date +%s) - started)) s)"

# 2. A task cancelled while it works on an input that does not end.
mkfifo in/stream.wav
cp list.txt list-again.txt
echo "$work/in/stream.wav" >>list-again.txt
(cat in/f01.wav && exec sleep 600) >in/stream.wav &
feeder=$!
array=$(submit "$work/again" "$work/list-again.txt" --parsable)
array=${array%%;*}
streaming() { ls -A again | grep -q '^\.stream\.wav\.'; }
await 60 "the task to stream into a temporary" streaming
# The other tasks finish; the one left waits on the FIFO.
one_left() { [ "$(squeue -h -j "$array" -t R -o %i | wc -l)" = 1 ] && ls again/*.wav >/dev/null 2>&1 &&
    [ "$(ls again/*.wav | wc -l)" = 24 ]; }
await 60 "the other tasks to finish" one_left
task=$(squeue -h -j "$array" -t R -o %i)
scancel "$task"
gone() { [ -z "$(squeue -h -j "$array" 2>/dev/null)" ]; }
await 60 "the cancelled task to end" gone
kill "$feeder" 2>/dev/null || true
feeder=""
no_temporaries again
[ ! -e again/stream.wav ] || { echo "the cancelled output is there"; exit 1; }
stat -c '%i %.9Y %n' again/*.wav >finished.txt
say "task $task cancelled while it streamed: no temporary, 24 outputs kept"

cat in/f01.wav >in/stream.wav &
feeder=$!
submit "$work/again" "$work/list-again.txt" --wait >/dev/null
feeder=""
same_as_local again 25
no_temporaries again
while read -r inode time name; do
    [ "$(stat -c '%i %.9Y' "$name")" = "$inode $time" ] || { echo "$name was written again"; exit 1; }
done <finished.txt
[ "$(done_inputs again | uniq | wc -l)" = 25 ] && [ "$(done_inputs again | wc -l)" = 25 ] ||
    { echo "a file was processed twice, or not at all:"; cat again/summary-*.jsonl; exit 1; }
say "submitted again: the 25th file done, the 24 others left as they were, each file done once"

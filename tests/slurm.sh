#!/usr/bin/env bash
# Usage: slurm.sh BIN_DIR [PARTS]
# quadcount's parts as a Slurm job array on a one-node cluster started here:
# munged, slurmctld and slurmd on this machine, as root, from a minimal
# slurm.conf in a scratch folder. Each array task answers the part named by
# SLURM_ARRAY_TASK_ID (sbatch --wait --array=1-N), and quadcount --sum adds
# them up to the whole run's lines. Stops every daemon it started. Exit 77
# (skipped), with a line saying why, where the daemons cannot start; 1 where
# they start but a job fails or the sum is wrong.
set -u
bin=$(cd "$1" && pwd)
parts=${2:-4}
command -v slurmctld > /dev/null && command -v munged > /dev/null ||
  { echo "skipped: Slurm (Debian's slurm-wlm and munge) is not installed"; exit 77; }
[ "$(id -u)" = 0 ] || { echo "skipped: starting Slurm's daemons here takes root"; exit 77; }
dir=$(mktemp -d /tmp/quadcount-slurm.XXXXXX)
chmod 755 "$dir"
host=$(hostname -s)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2> /dev/null
  done
  rm -rf "$dir"
}
trap stop EXIT
skip() { echo "skipped: $*"; tail -n 5 "$dir"/*.log 2> /dev/null; exit 77; }

# munge: its own key and socket, so that nothing of the machine's is used.
mkdir -p "$dir/munge"
dd if=/dev/urandom of="$dir/munge/key" bs=1024 count=1 status=none
chmod 400 "$dir/munge/key"
munged --force --key-file="$dir/munge/key" --socket="$dir/munge/socket" --pid-file="$dir/munge/pid" \
  --log-file="$dir/munge.log" --seed-file="$dir/munge/seed" 2> "$dir/munged.err" || skip "munged did not start: $(cat "$dir/munged.err")"
pids+=("$(cat "$dir/munge/pid")")

mkdir -p "$dir/state" "$dir/spool"
# The node's CPUs as slurmd counts them: the processors installed, whatever
# the affinity mask says (a preload may make it say more).
cat > "$dir/slurm.conf" <<CONF
ClusterName=quadcount
SlurmctldHost=$host
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge/socket
CredType=cred/munge
SlurmctldPort=$((20000 + RANDOM % 10000))
SlurmdPort=$((30000 + RANDOM % 10000))
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
NodeName=$host CPUs=$(getconf _NPROCESSORS_CONF) State=UNKNOWN
PartitionName=all Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$dir/slurm.conf
slurmctld -i > "$dir/slurmctld.out" 2>&1 || skip "slurmctld did not start"
for _ in $(seq 50); do [ -s "$dir/slurmctld.pid" ] && break; sleep 0.1; done
[ -s "$dir/slurmctld.pid" ] && pids+=("$(cat "$dir/slurmctld.pid")") || skip "slurmctld did not start"
slurmd > "$dir/slurmd.out" 2>&1 || skip "slurmd did not start"
for _ in $(seq 50); do [ -s "$dir/slurmd.pid" ] && break; sleep 0.1; done
[ -s "$dir/slurmd.pid" ] && pids+=("$(cat "$dir/slurmd.pid")") || skip "slurmd did not start"
for _ in $(seq 100); do
  sinfo -h -N -o %t 2> /dev/null | grep -Eq '^(idle|mix|alloc)' && break
  sleep 0.2
done
sinfo -h -N -o %t | grep -Eq '^(idle|mix|alloc)' || skip "the node did not come up: $(sinfo -h -N -o '%t %E' 2>&1)"

# The records: a long one the parts split, and short ones taken in turn.
awk 'BEGIN { srand(5); print 0, 3000, 3000, 3000, 3000
  for (i = 0; i < 12000; i++) print int(rand() * 2e9) - 1e9
  for (r = 0; r < 20; r++) { print 500, 5, 5, 5, 5; for (i = 0; i < 20; i++) print int(rand() * 400) } }' > "$dir/records"
"$bin/quadcount" < "$dir/records" > "$dir/whole"
cat > "$dir/job" <<JOB
#!/bin/sh
exec "$bin/quadcount" --part="\$SLURM_ARRAY_TASK_ID/$parts" < "$dir/records" > "$dir/part.\$SLURM_ARRAY_TASK_ID"
JOB
status=0
timeout 300 sbatch --wait --quiet --array="1-$parts" --output=/dev/null --chdir="$dir" "$dir/job" ||
  { echo "FAIL: the job array failed (sbatch status $?)"; tail -n 20 "$dir/slurmctld.log" "$dir/slurmd.log"; exit 1; }
# shellcheck disable=SC2046
"$bin/quadcount" --sum $(seq -f "$dir/part.%g" "$parts") > "$dir/sum" || status=1
cmp -s "$dir/sum" "$dir/whole" || { echo "FAIL: $parts parts from Slurm do not sum to the whole"; exit 1; }
[ $status -eq 0 ] && echo "slurm: $parts parts of a job array add up to the whole run"
exit $status

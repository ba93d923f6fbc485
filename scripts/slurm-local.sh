#!/usr/bin/env bash
# A real single-node Slurm cluster on this machine, for trying and testing "kestrafol polar
# --slurm" without a cluster: munged, slurmctld and slurmd on localhost, one partition
# ("kestrafol", the default) with all cores of the machine.
#
#   scripts/slurm-local.sh start    install slurm-wlm and munge if missing, write the
#                                   configuration, start the daemons, wait until the node is idle
#   scripts/slurm-local.sh stop     cancel the cluster's jobs and wait for their processes to
#                                   end, then stop the daemons this script started (pid files)
#   scripts/slurm-local.sh status   say what runs; exit 0 only when the node takes jobs
#
# Safe to run twice: start leaves running daemons alone, stop does nothing when nothing runs.
# Needs root (it installs packages and runs the daemons as root, munged as user munge). Assumes
# no systemd. Everything the cluster writes lives in $KESTRAFOL_SLURM_DIR (default
# /var/tmp/kestrafol-slurm): the configuration, the daemons' logs (log/), pid files and spool.
# The configuration is also installed as /etc/slurm/slurm.conf, so that sbatch, squeue and
# sinfo find it without SLURM_CONF; an existing slurm.conf that this script did not write is
# never overwritten (then the script stops with a message).
#   KESTRAFOL_SLURM_MAX_ARRAY  the cluster's MaxArraySize (default 1001, Slurm's own default);
#                              start on a running cluster with another value restarts slurmctld
set -euo pipefail

dir=${KESTRAFOL_SLURM_DIR:-/var/tmp/kestrafol-slurm}
system_conf=/etc/slurm/slurm.conf
marker="# Written by kestrafol scripts/slurm-local.sh"
partition=kestrafol
node=localhost
munge_socket=/run/munge/munge.socket.2
max_array=${KESTRAFOL_SLURM_MAX_ARRAY:-1001}
[[ $max_array =~ ^[0-9]+$ ]] || { echo "slurm-local: KESTRAFOL_SLURM_MAX_ARRAY expects a whole number, got '$max_array'" >&2; exit 2; }

say() { echo "slurm-local: $*"; }
die() { echo "slurm-local: $*" >&2; exit 1; }

# The pid recorded in a pid file, if that process still runs.
running_pid() {
    local file=$1 pid
    [ -s "$file" ] || return 1
    pid=$(cat "$file")
    [[ $pid =~ ^[0-9]+$ ]] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    echo "$pid"
}

node_state() {
    sinfo -h -n "$node" -o '%t' 2>/dev/null | head -n 1
}

write_config() {
    local cpus memory
    cpus=$(nproc)
    # Leave 1 GiB to the system; slurmd refuses a node that claims more memory than it has.
    memory=$(awk '/MemTotal/ { m = int($2 / 1024) - 1024; print (m > 512 ? m : 512) }' /proc/meminfo)
    mkdir -p "$dir/log" "$dir/state/ctld" "$dir/state/d"
    cat > "$dir/slurm.conf.new" <<EOF
$marker
# A single-node cluster on localhost. Logs: $dir/log
ClusterName=kestrafol
SlurmctldHost=$(hostname -s)(127.0.0.1)
SlurmctldPort=6817
SlurmdPort=6818
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CryptoType=crypto/munge
StateSaveLocation=$dir/state/ctld
SlurmdSpoolDir=$dir/state/d
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
# No cgroups and no accounting daemon: nothing beyond slurmctld, slurmd and munged.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
SlurmdTimeout=120
InactiveLimit=0
MinJobAge=300
MaxArraySize=$max_array
KillWait=10
Waittime=0
NodeName=$node NodeAddr=127.0.0.1 NodeHostname=$(hostname -s) CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=$partition Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
    config_changed=0
    cmp -s "$dir/slurm.conf.new" "$dir/slurm.conf" 2>/dev/null || config_changed=1
    mv "$dir/slurm.conf.new" "$dir/slurm.conf"
    if [ -e "$system_conf" ] && ! grep -qxF "$marker" "$system_conf"; then
        die "$system_conf exists and was not written by this script; leaving it alone." \
            "Move it away, or use that cluster instead."
    fi
    mkdir -p "$(dirname "$system_conf")"
    cp "$dir/slurm.conf" "$system_conf"
}

start_munge() {
    if running_pid "$dir/munged.pid" > /dev/null; then
        say "munged already runs (pid $(cat "$dir/munged.pid"))"
        return
    fi
    if [ -S "$munge_socket" ] && munge -n > /dev/null 2>&1; then
        say "a munged that this script did not start already answers on $munge_socket; using it"
        return
    fi
    # A key of our own, generated here, unless the machine has one already.
    if [ ! -s /etc/munge/munge.key ]; then
        mkdir -p /etc/munge
        mungekey --create --keyfile=/etc/munge/munge.key
        say "generated /etc/munge/munge.key"
    fi
    chown munge:munge /etc/munge/munge.key
    chmod 600 /etc/munge/munge.key
    mkdir -p /run/munge /var/lib/munge "$dir/log/munge"
    chown munge:munge /run/munge /var/lib/munge "$dir/log/munge"
    chmod 755 /run/munge
    chmod 700 /var/lib/munge "$dir/log/munge"
    touch "$dir/munged.pid"
    chown munge:munge "$dir/munged.pid"
    runuser -u munge -- /usr/sbin/munged --socket="$munge_socket" \
        --log-file="$dir/log/munge/munged.log" --pid-file="$dir/munged.pid"
    for _ in $(seq 50); do
        munge -n > /dev/null 2>&1 && { say "munged started"; return; }
        sleep 0.2
    done
    die "munged did not answer; see $dir/log/munge/munged.log"
}

start_daemon() {
    local name=$1
    shift
    if pid=$(running_pid "$dir/$name.pid"); then
        say "$name already runs (pid $pid)"
        return
    fi
    "/usr/sbin/$name" -f "$dir/slurm.conf" "$@"
    for _ in $(seq 50); do
        running_pid "$dir/$name.pid" > /dev/null && { say "$name started"; return; }
        sleep 0.2
    done
    die "$name did not start; see $dir/log/$name.log"
}

start() {
    [ "$(id -u)" -eq 0 ] || die "start needs root (it installs packages and runs the daemons)"
    bash "$(dirname "$0")/ensure-packages.sh" slurm-wlm munge
    write_config
    start_munge
    # A running controller reads a changed configuration (e.g. MaxArraySize) only when restarted.
    if [ "$config_changed" -eq 1 ] && running_pid "$dir/slurmctld.pid" > /dev/null; then
        say "configuration changed; restarting slurmctld"
        stop_daemon slurmctld
    fi
    start_daemon slurmctld
    start_daemon slurmd -N "$node"
    # The node registers within a few seconds; a node left down by an earlier unclean stop
    # is put back to service.
    local state=""
    for i in $(seq 120); do
        state=$(node_state)
        case "$state" in
            idle*|mix*|alloc*) say "node $node $state, partition $partition with $(nproc) CPUs; logs in $dir/log"; return ;;
            down*|drain*|fail*)
                [ $((i % 10)) -eq 0 ] && scontrol update NodeName="$node" State=RESUME 2>/dev/null || true ;;
        esac
        sleep 0.5
    done
    die "node $node did not become idle (state '${state:-unknown}'); see $dir/log/"
}

stop_daemon() {
    local name=$1 pid
    if ! pid=$(running_pid "$dir/$name.pid"); then
        say "$name not running"
        return
    fi
    kill -TERM "$pid"
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || { say "$name stopped"; rm -f "$dir/$name.pid"; return; }
        sleep 0.2
    done
    say "$name (pid $pid) ignored TERM for 20 s; killing it"
    kill -KILL "$pid" 2>/dev/null || true
    rm -f "$dir/$name.pid"
}

# The processes of the cluster's jobs: the step daemons and everything below them.
descendants() {
    local child
    for child in $(pgrep -P "$1" 2>/dev/null || true); do
        echo "$child"
        descendants "$child"
    done
}
job_processes() {
    local pid
    for pid in $(pgrep -x slurmstepd 2>/dev/null || true); do
        echo "$pid"
        descendants "$pid"
    done
}

# Cancels every job of the cluster and waits until no job is in the queue and no job process is
# left; a job that ignores the polite cancel for 20 s gets KILL.
cancel_jobs() {
    running_pid "$dir/slurmctld.pid" > /dev/null || return 0
    local jobs
    jobs=$(squeue -h -o '%A' 2>/dev/null | sort -u | tr '\n' ' ')
    if [ -n "${jobs// /}" ]; then
        say "cancelling jobs $jobs"
        # shellcheck disable=SC2086
        scancel $jobs 2>/dev/null || true
    fi
    local i
    for i in $(seq 150); do
        if [ -z "$(squeue -h -o '%A' 2>/dev/null)" ] && [ -z "$(job_processes)" ]; then
            [ -n "${jobs// /}" ] && say "jobs ended"
            return 0
        fi
        if [ "$i" -eq 100 ]; then
            say "jobs still running after 20 s; sending KILL"
            # shellcheck disable=SC2086
            scancel --signal=KILL --full $(squeue -h -o '%A' 2>/dev/null | sort -u) 2>/dev/null || true
        fi
        sleep 0.2
    done
    say "job processes still running: $(job_processes | tr '\n' ' ')"
}

stop() {
    # The jobs first (slurmd leaves running job steps behind), then slurmd, the controller and
    # munge.
    cancel_jobs
    stop_daemon slurmd
    stop_daemon slurmctld
    stop_daemon munged
}

status() {
    local ok=0 pid
    for name in munged slurmctld slurmd; do
        if pid=$(running_pid "$dir/$name.pid"); then
            say "$name runs (pid $pid)"
        else
            say "$name not running"
            ok=1
        fi
    done
    if [ $ok -eq 0 ]; then
        local state
        state=$(node_state)
        say "node $node: ${state:-no answer}"
        case "$state" in idle*|mix*|alloc*) ;; *) ok=1 ;; esac
    fi
    return $ok
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    status) status ;;
    *) echo "Usage: $0 start|stop|status" >&2; exit 2 ;;
esac

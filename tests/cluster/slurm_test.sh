#!/usr/bin/env bash
# Posters on a real Slurm: a one-node cluster of its own (munged, slurmctld and slurmd with a
# configuration, a key and ports of their own, in a temporary folder), the scripts of
# contrib/slurm submitted as a user submits them, the result compared byte for byte with one
# process's picture; then a task killed in the middle of its part, and the rerun of that part
# alone; then the same for a short movie. Needs root (the daemons) and Debian's slurm-wlm and munge; skipped otherwise.
set -u
render="$1"
contrib="$2"
skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "the Slurm daemons need root"
for program in munged slurmctld slurmd sbatch squeue scancel scontrol; do
    command -v "$program" >/dev/null || skip "no $program: install slurm-wlm and munge"
done

work=$(mktemp -d /tmp/zolt-slurm-XXXXXX)
chmod 755 "$work"
export SLURM_CONF="$work/slurm.conf"
started=()  # pid files of the daemons started here
stop() {
    scontrol shutdown >/dev/null 2>&1
    for file in "${started[@]}"; do
        local pid
        pid=$(cat "$file" 2>/dev/null) || continue
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap stop EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    for log in "$work"/log/*; do echo "--- $log" && tail -n 20 "$log"; done
    exit 1
}

# munged with a key of its own, on a socket of its own, whatever the machine runs already.
mkdir -p "$work/munge" "$work/log" "$work/state" "$work/spool"
chmod 700 "$work/munge"
head -c 1024 /dev/urandom >"$work/munge/key" && chmod 400 "$work/munge/key"
munged --force --key-file="$work/munge/key" --socket="$work/munge/socket" \
    --pid-file="$work/munge/pid" --log-file="$work/log/munged.log" \
    --seed-file="$work/munge/seed" || die "munged did not start"
started+=("$work/munge/pid")

# Ports nothing listens on, so that another cluster on this machine is left alone.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        ss -Htln "sport = :$port" 2>/dev/null | grep -q . || { echo "$port"; return; }
    done
}
node=$(hostname -s)
cat >"$SLURM_CONF" <<EOF
ClusterName=zolttest
# Addresses given, so that nothing depends on how the machine's name resolves.
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
# No cgroups: processes are tracked and tasks placed without them.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
# A job whose dependency is met starts within a second, not at the next minute's pass.
SchedulerType=sched/backfill
SchedulerParameters=sched_interval=1,bf_interval=1
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) RealMemory=1000 State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -c || die "slurmctld did not start"
started+=("$work/slurmctld.pid")
slurmd -c || die "slurmd did not start"
started+=("$work/slurmd.pid")
for _ in $(seq 300); do
    [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && break
    sleep 0.1
done
[ "$(sinfo -h -o %T 2>/dev/null)" = idle ] || die "the node did not come up"

# Waits until none of the jobs is queued or running any more.
wait_jobs() {
    for _ in $(seq 1200); do
        [ -z "$(squeue -h -j "$(
            IFS=,
            echo "$*"
        )" 2>/dev/null)" ] && return 0
        sleep 0.1
    done
    die "jobs $* did not end"
}
# The job ids zolt-submit printed: "parts: job A; joining: job J; ...".
submit() {
    local said
    said=$(ZOLT_RENDER="$render" "$contrib/zolt-submit" "$@") || die "zolt-submit $*: $said"
    jobs=($(echo "$said" | grep -o 'job [0-9]*' | cut -d' ' -f2))
    [ "${#jobs[@]}" -eq 2 ] || die "zolt-submit said: $said"
}
# The zolt-render process of task `index` of array job `job`, once it runs.
task_process() {
    local job=$1 index=$2
    for _ in $(seq 6000); do
        for pid in $(pgrep -x zolt-render); do
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null |
                grep -qx "SLURM_ARRAY_JOB_ID=$job" &&
                tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null |
                grep -qx "SLURM_ARRAY_TASK_ID=$index" && echo "$pid" && return 0
        done
        sleep 0.01
    done
    return 1
}

cd "$work" || exit 1
# A view 4e-300 wide beside the point i, where the set branches at every scale.
qstart="0.$(printf '9%.0s' $(seq 299))85"
size=(--width 2000 --height 1500)
"$render" --pstart -2e-300 --pfinish 2e-300 --qstart "$qstart" --iterations 20000 "${size[@]}" \
    -o one.png || die "the picture of one process failed"

# The poster in 3 parts; task 1 is stopped in the middle of its part and cancelled, so the
# joining job never runs.
submit poster poster.png 3 one.png "${size[@]}"
pid=$(task_process "${jobs[0]}" 1) || die "task 1 did not start"
kill -STOP "$pid"
[ -e poster.png.parts/part-00001.zpart ] && die "task 1 ended before it could be stopped"
scancel "${jobs[0]}_1"
wait_jobs "${jobs[@]}"
[ -e poster.png ] && fail "joined without part 1"
[ -e poster.png.parts/part-00001.zpart ] && fail "a cancelled task left its part"
"$render" --assemble poster.png.parts -o poster.png 2>err
grep -qx "zolt-render: cannot assemble 'poster.png.parts': parts missing: 1" err ||
    fail "assembling said: $(cat err)"
before=$(stat -c '%n %y' poster.png.parts/part-0000[02].zpart)

# Only the missing part again, and the poster is the one process's.
submit --rerun 1 poster poster.png 3 one.png "${size[@]}"
wait_jobs "${jobs[@]}"
cmp -s one.png poster.png || fail "the poster differs from the picture of one process"
[ "$(stat -c '%n %y' poster.png.parts/part-0000[02].zpart)" = "$before" ] ||
    fail "parts 0 and 2 were written again"
grep -q "part 1 of 3 (rows .*) computed" poster.png.parts/slurm-"${jobs[0]}"_1.out ||
    fail "the rerun did not compute part 1: $(cat poster.png.parts/slurm-"${jobs[0]}"_1.out)"

# Then a short movie of 6 keyframes in 3 parts (keyframes 0 and 3, 1 and 4, 2 and 5), as PNG
# frames so that they compare byte for byte; task 1 is stopped and cancelled as above.
movie=(--width 800 --height 600 --start-width 1.28e-298 --fps 4 --seconds-per-doubling 0.5 --hold 0)
"$render" one.png "${movie[@]}" --frames one-frames || die "the movie of one process failed"
submit frames movie 3 one.png "${movie[@]}"
pid=$(task_process "${jobs[0]}" 1) || die "movie task 1 did not start"
kill -STOP "$pid"
[ -e movie.parts/part-00001.zpart ] && die "movie task 1 ended before it could be stopped"
scancel "${jobs[0]}_1"
wait_jobs "${jobs[@]}"
[ -e movie ] && fail "joined a movie without part 1"
"$render" --assemble movie.parts --frames movie 2>err
grep -qx "zolt-render: cannot assemble 'movie.parts': parts missing: 1" err ||
    fail "assembling the movie said: $(cat err)"
others=(movie.parts/part-0000[02].zpart movie.parts/keyframe-00000[0235].png)
before=$(stat -c '%n %y' "${others[@]}")

submit --rerun 1 frames movie 3 one.png "${movie[@]}"
wait_jobs "${jobs[@]}"
diff -r one-frames movie >/dev/null || fail "the movie's frames differ from those of one process"
[ "$(stat -c '%n %y' "${others[@]}")" = "$before" ] ||
    fail "the movie's parts 0 and 2 were written again"
grep -q "part 1 of 3 (keyframes 1, 4) computed" movie.parts/slurm-"${jobs[0]}"_1.out ||
    fail "the rerun did not compute part 1: $(cat movie.parts/slurm-"${jobs[0]}"_1.out)"

echo "$failures failed"
[ "$failures" -eq 0 ]

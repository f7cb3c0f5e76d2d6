#!/usr/bin/env bash
# zolt-render's parts as a batch job runs them, without the batch system: what each run says,
# its exit status, and that the joined parts are the picture of one process.
set -u
render="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# expect STATUS LINE COMMAND...: the exit status, and the one line on stderr (none when empty).
expect() {
    local want="$1" line="$2"
    shift 2
    "$@" >out 2>err
    local got=$?
    [ "$got" -eq "$want" ] || fail "$*: exit $got, expected $want: $(cat err)"
    [ "$(cat err)" = "${line:+zolt-render: $line}" ] || fail "$*: said '$(cat err)'"
}
array() { env SLURM_ARRAY_TASK_ID="$1" SLURM_ARRAY_TASK_MIN=0 SLURM_ARRAY_TASK_MAX=1 \
    SLURM_ARRAY_TASK_COUNT=2 "${@:2}"; }

# A picture of 5 pieces of 290 rows: part 0 of 2 has 2 of them, part 1 the other 3.
size=(--width 300 --height 1200 --iterations 500)
expect 0 "" "$render" "${size[@]}" -o one.png
expect 0 "part 0 of 2 (rows 0 to 579) computed into 'p'" \
    "$render" one.png "${size[@]:0:4}" --part 0/2 --parts-dir p
expect 1 "cannot assemble 'p': parts missing: 1" "$render" --assemble p -o out.png
[ -e out.png ] && fail "joined a picture with a part missing"
expect 0 "part 1 of 2 (rows 580 to 1199) computed into 'p'" \
    array 1 "$render" one.png "${size[@]:0:4}" --part slurm --parts-dir p
expect 0 "part 1 of 2 is in 'p' already" \
    array 1 "$render" one.png "${size[@]:0:4}" --part slurm --parts-dir p --threads 1
expect 0 "" "$render" --assemble p -o out.png
cmp -s one.png out.png || fail "the joined parts differ from the picture of one process"

expect 2 "--part slurm runs as a task of a Slurm array job (sbatch --array), and \
SLURM_ARRAY_TASK_ID is not set" env -u SLURM_ARRAY_TASK_ID "$render" --part slurm --parts-dir p
expect 2 "too many parts: a picture 300 pixels wide and 1200 high is split into at most 5 parts" \
    "$render" one.png "${size[@]:0:4}" --part 0/6 --parts-dir q
[ -e q ] && fail "a refused part made its folder"
expect 1 "cannot write part 0 of 2 into 'one.png': Not a directory" \
    "$render" one.png "${size[@]:0:4}" --part 0/2 --parts-dir one.png

# A movie of 6 keyframes in 3 parts (keyframes 0 and 3, 1 and 4, 2 and 5): what is missing or made
# for another movie is named by part, and the parts joined are the movie of one process.
view=(--pstart -0.7453 --pfinish -0.7433 --qstart 0.1127 --iterations 300 --width 64 --height 48)
movie=("${view[@]}" --start-width 0.064 --fps 10 --seconds-per-doubling 0.5 --hold 0.2)
part() { "$render" "${movie[@]}" --frames two --parts-dir m "$@"; }
expect 0 "" "$render" "${movie[@]}" --frames one
expect 0 "part 0 of 3 (keyframes 0, 3) computed into 'm'" part --part 0/3
expect 0 "part 2 of 3 (keyframes 2, 5) computed into 'm'" \
    env SLURM_ARRAY_TASK_ID=2 "$render" "${movie[@]}" --frames two --parts-dir m --part slurm/3
expect 1 "cannot assemble 'm': parts missing: 1" "$render" --assemble m --frames two
expect 0 "part 1 of 3 (keyframes 1, 4) computed into 'm'" part --part 1/3 --hold 1
expect 1 "cannot assemble 'm': made for another movie: 1" "$render" --assemble m --frames two
[ -e two ] && fail "joined a movie with a part of another"
expect 0 "part 1 of 3 (keyframes 1, 4) computed into 'm'" part --part 1/3
expect 0 "part 1 of 3 is in 'm' already" part --part 1/3
expect 0 "" "$render" --assemble m --frames two
diff -r one two >/dev/null || fail "the joined movie's frames differ from those of one process"
if command -v ffmpeg >/dev/null; then
    expect 0 "" "$render" "${movie[@]}" --movie one.mp4
    expect 0 "" "$render" --assemble m --movie two.mp4
    cmp -s one.mp4 two.mp4 || fail "the joined video differs from the one process's"
fi
rm m/keyframe-000005.png
head -c 100 m/part-00000.zpart >m/part-00000.cut && mv m/part-00000.cut m/part-00000.zpart
expect 1 "cannot assemble 'm': damaged: 0 (it ends early)" \
    "$render" --assemble m --movie three.mp4
expect 0 "part 0 of 3 (keyframes 0, 3) computed into 'm'" part --part 0/3
expect 1 "cannot assemble 'm': keyframes missing or changed: 2" \
    "$render" --assemble m --movie three.mp4
[ -e three.mp4 ] && fail "joined a movie with a keyframe missing"
expect 2 "too many parts: a movie of 6 keyframes is split into at most 6 parts" part --part 0/7

echo "$failures failed"
[ "$failures" -eq 0 ]

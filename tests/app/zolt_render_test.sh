#!/usr/bin/env bash
# zolt-render as a user runs it: pictures, the view kept inside them, exit codes, messages, and
# the files it leaves, also when it is refused, killed or runs out of room.
set -u
render="$1"
sanitized="${2:-}"  # "sanitized": the program cannot run under a memory limit
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect STATUS MESSAGE-PATTERN COMMAND...: the exit status, and one line on stderr matching.
expect() {
    local want="$1" pattern="$2"
    shift 2
    "$@" >out 2>err
    local got=$?
    [ "$got" -eq "$want" ] || fail "$*: exit $got, expected $want: $(cat err)"
    if [ -n "$pattern" ]; then
        [ "$(wc -l <err)" -eq 1 ] && grep -q -- "$pattern" err || fail "$*: said '$(cat err)'"
    fi
}
# Nothing but the files named may be in the work directory: no temporary file left anywhere.
only() {
    local extra
    extra=$(ls -A | grep -v -x -e out -e err "${@/#/-e}")
    [ -z "$extra" ] || fail "stray files: $extra"
}

# A picture, its view kept inside it: rendering the picture again gives the same bytes.
expect 0 "" "$render" -o home.png --width 64 --height 48
head -c 8 home.png | od -An -tx1 | grep -q "89 50 4e 47 0d 0a 1a 0a" || fail "not a PNG"
expect 0 "" "$render" home.png -o again.png --width 64 --height 48
cmp -s home.png again.png || fail "a picture rendered again differs"
# The picture's bytes do not depend on the threads that compress it, and an independent checker
# finds nothing wrong with them.
for threads in 1 2 3; do
    expect 0 "" "$render" -o "t$threads.png" --width 700 --height 500 --threads "$threads"
done
cmp -s t1.png t2.png && cmp -s t1.png t3.png || fail "pictures differ with the threads"
pngcheck -q t3.png >/dev/null || fail "pngcheck: $(pngcheck t3.png)"
rm t1.png t2.png t3.png
# A saved definition gives the same picture as the same view given by options.
printf 'Version:1.0\r\n-0.75\r\n-0.5\r\n0.125\r\n300\r\n4.000000\r\n0\r\n2\r\n256\r\n' >v.zlt
expect 0 "" "$render" v.zlt -o file.png --width 40 --height 30
expect 0 "" "$render" --pstart -0.75 --pfinish -0.5 --qstart 0.125 --iterations 300 \
    --escape 4 -o opts.png --width 40 --height 30
cmp -s file.png opts.png || fail "file and options give different pictures"

# Status texts, and a progress line only on a terminal.
expect 0 "" "$render" -o v.png --width 16 --height 16 --verbose
[ "$(cat err)" = "pane 1: Generating@250 iterations
pane 2: Resolution: 1 - 100%
pane 1: Finished
pane 2: " ] || fail "verbose output: $(cat err)"
expect 0 "" "$render" -o v.png --width 16 --height 16
[ -s err ] && fail "said something off a terminal: $(cat err)"
# A file's limit replaced; a limit raised by trial pictures (a view black at 925 iterations).
expect 0 "" "$render" v.zlt --iterations 40 -o v.png --width 16 --height 16 --verbose
head -n 1 err | grep -qx "pane 1: Generating@40 iterations" || fail "--iterations: $(cat err)"
expect 0 "" "$render" --pstart -0.7436439005633524 --pfinish -0.7436438726236752 \
    --qstart 0.13182589134789596 --iterations 925 --auto-iterations -o v.png --verbose
grep -q "^pane 1: Generating@925 iterations$" err && fail "--auto-iterations kept 925"

# A view 1e-60 wide: every digit given counts, the deep engine draws it, and the picture keeps the
# digits (drawn again from the picture, it is the same).
deep="-0.7436438870371587047521915061147724389803293612458365918834124"
expect 0 "" "$render" --pstart "${deep}" --pfinish "${deep%4}5" --qstart 0.1318259042053 \
    --iterations 2000 -o deep.png --width 20 --height 20 --verbose
grep -q "^pane 2: Reference: 100%$" err && grep -q "^pane 1: Finished - deep zoom$" err ||
    fail "deep view: $(cat err)"
expect 0 "" "$render" deep.png -o deep-again.png --width 20 --height 20
cmp -s deep.png deep-again.png || fail "a deep picture rendered again differs"
rm -f deep.png deep-again.png

# Colourings: a gradient file's colours, kept in the picture with the view (drawn again from the
# picture, it is the same); and a deep view supersampled in every method.
printf '0 0 0\n255 128 0 orange\n255 255 255\n' >fire.map
expect 0 "" "$render" --colouring smooth --gradient fire.map --repeat 20 -o fire.png \
    --width 40 --height 30
expect 0 "" "$render" fire.png -o fire-again.png --width 40 --height 30
cmp -s fire.png fire-again.png || fail "a coloured picture rendered again differs"
cmp -s fire.png home.png && fail "the colouring changed nothing"
for method in bands smooth distance relief; do
    expect 0 "" "$render" --pstart "${deep}" --pfinish "${deep%4}5" --qstart 0.1318259042053 \
        --iterations 2000 --colouring "$method" --supersample 2 -o deep.png --width 12 --height 9
done
# A gradient file that cannot be read or is malformed: named with its line, and no picture.
expect 1 "cannot load the gradient: none.map: No such file or directory" \
    "$render" --gradient none.map -o g.png
printf '0 0 0\n255 128\n' >bad.map
expect 1 "cannot load the gradient: bad.map, line 2: a colour is three numbers from 0 to 255" \
    "$render" --gradient bad.map -o g.png
printf 'GIMP Gradient\n2\n0 0.5 1 0 0 0 1 1 1 1 1 0 0\n' >cut.ggr
expect 1 "cannot load the gradient: cut.ggr, line 4: the file ends before its 2 segments" \
    "$render" --gradient cut.ggr -o g.png
expect 2 "invalid value for --supersample: '9'" "$render" --supersample 9 -o g.png
[ -e g.png ] && fail "a picture was written with a bad gradient"
rm -f fire.map fire.png fire-again.png deep.png bad.map cut.ggr

# Standard output, and what is no regular file, are written in place, never replaced.
"$render" -o - --width 8 --height 8 | head -c 8 | od -An -tx1 | grep -q "89 50 4e 47" ||
    fail "-o - writes no PNG"
# Standard output going to a file is written where it stands, after what the file already holds.
{ echo kept; "$render" -o - --width 8 --height 8; } >joined
[ "$(head -n 1 joined)" = kept ] && [ "$(wc -c <joined)" -gt 40 ] || fail "-o - replaced its file"
rm joined
expect 0 "" "$render" -o /dev/null --width 8 --height 8
[ -c /dev/null ] || fail "/dev/null replaced"
mkfifo pipe
cat pipe >piped.png &
expect 0 "" "$render" -o pipe --width 8 --height 8
wait
[ -p pipe ] && [ -s piped.png ] || fail "a FIFO was not written in place"
rm pipe piped.png

# Refusals: usage mistakes exit 2, failures 1, each with one line naming the file and the reason.
expect 2 "unknown option --frobnicate" "$render" -o bad.png --frobnicate
expect 2 "--width needs a value" "$render" -o bad.png --width
expect 2 "invalid value for --escape: '2,5'" "$render" -o bad.png --escape 2,5
expect 2 "invalid value for --pstart: '+-1'" "$render" -o bad.png --pstart +-1
expect 2 "--help takes no value" "$render" --help=1
expect 1 "cannot write 'no/such/dir/x.png': No such file or directory" \
    "$render" -o no/such/dir/x.png --width 8 --height 8
expect 1 "cannot load 'missing.zlt': No such file or directory" "$render" missing.zlt -o x.png
expect 1 "cannot load 'old.zlt': Cannot load this format." \
    bash -c "printf 'Version:0.0\r\n1\r\n' >old.zlt; exec \"\$0\" old.zlt -o x.png" "$render"
expect 1 "cannot load 'bad.zlt': line 5 is not valid" \
    bash -c "printf 'Version:1.0\r\n1\r\n2\r\n3\r\n4 \r\n' >bad.zlt; exec \"\$0\" bad.zlt -o x.png" \
    "$render"
# A picture made elsewhere: one pixel, and no fractal inside.
echo iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg== |
    base64 -d >other.png
expect 1 "cannot load 'other.png': the picture holds no fractal" "$render" other.png -o x.png
mkfifo in.zlt
expect 1 "cannot load 'in.zlt': not a regular file" timeout 10 "$render" in.zlt -o x.png
rm in.zlt other.png
touch locked.png && chmod 444 locked.png
expect 1 "cannot write 'locked.png': the file is read-only" "$render" -o locked.png
[ -s locked.png ] && fail "a read-only picture was replaced"
# Out of room and out of memory: told, and nothing left behind.
expect 1 "cannot write 'big.png': File too large" \
    bash -c "ulimit -f 8; exec \"\$0\" -o big.png --width 300 --height 300" "$render"
expect 1 "cannot write 'big.png': File too large" \
    bash -c "ulimit -f 40; exec \"\$0\" -o big.png --width 2000 --height 1000 --threads 3" "$render"
if [ "$sanitized" != sanitized ]; then
    expect 1 "cannot write 'wide.png': out of memory" \
        bash -c "ulimit -v 30000; exec \"\$0\" -o wide.png --width 65536 --height 100" "$render"
fi
expect 0 "" "$render" --help
expect 0 "" "$render" --version
only home.png again.png v.zlt file.png opts.png v.png old.zlt bad.zlt locked.png

# A save killed at any moment leaves the old picture or the new one, and no temporary file.
cp home.png keep.png
for i in $(seq 1 20); do
    "$render" -o keep.png --width 400 --height 300 --iterations 2000 &
    sleep "0.0$((RANDOM % 9 + 1))"
    kill -9 $! 2>/dev/null
    wait $! 2>/dev/null
done
head -c 8 keep.png | od -An -tx1 | grep -q "89 50 4e 47 0d 0a 1a 0a" || fail "killed saves broke it"
only home.png again.png v.zlt file.png opts.png v.png old.zlt bad.zlt locked.png keep.png

echo "$failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# zolt-render as a user runs it: exit codes, messages and the files it leaves.
set -u
render="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # description, expected exit code, command...
    local what="$1" want="$2"
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $what: exit $got, expected $want"; cat "$work/err"; failures=$((failures + 1))
    fi
}

check "home view" 0 "$render" -o "$work/home.png" --width 64 --height 48
[ -s "$work/home.png" ] || { echo "FAIL: no PNG written"; failures=$((failures + 1)); }
head -c 8 "$work/home.png" | od -An -tx1 | grep -q "89 50 4e 47 0d 0a 1a 0a" ||
    { echo "FAIL: not a PNG"; failures=$((failures + 1)); }

check "verbose status sequence" 0 "$render" -o "$work/v.png" --width 16 --height 16 --verbose
expected="pane 1: Generating@250 iterations
pane 2: Resolution: 8 - 6%
pane 2: Resolution: 4 - 6%
pane 2: Resolution: 4 - 56%
pane 2: Resolution: 1 - 6%
pane 2: Resolution: 1 - 50%
pane 2: Resolution: 1 - 100%
pane 1: Finished
pane 2: "
[ "$(cat "$work/err")" = "$expected" ] ||
    { echo "FAIL: verbose output was:"; cat "$work/err"; failures=$((failures + 1)); }

check "unknown option" 2 "$render" -o "$work/bad.png" --frobnicate
[ -e "$work/bad.png" ] && { echo "FAIL: file written on error"; failures=$((failures + 1)); }
[ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL: more than one line"; failures=$((failures + 1)); }

check "missing value" 2 "$render" -o "$work/bad.png" --width
check "bad number" 2 "$render" -o "$work/bad.png" --escape 2,5
check "unwritable output" 2 "$render" -o "$work/no/such/dir/x.png" --width 8 --height 8
[ -z "$(ls "$work" | grep -v -e '^home.png$' -e '^v.png$' -e '^out$' -e '^err$')" ] ||
    { echo "FAIL: stray files: $(ls "$work")"; failures=$((failures + 1)); }
check "help" 0 "$render" --help

echo "$failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# zolt-render given a saved definition: the same picture as the same view given by options, and
# a file that does not load gives one line on stderr, exit code 2 and no picture.
set -u
render="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The header alone: the palette is rebuilt with 256 entries, as --colours 256 builds it.
printf 'Version:1.0\r\n-0.75\r\n-0.5\r\n0.125\r\n300\r\n4.000000\r\n0\r\n2\r\n256\r\n' >"$work/v.zlt"
"$render" "$work/v.zlt" -o "$work/file.png" --width 40 --height 30 || fail "file render failed"
"$render" --pstart -0.75 --pfinish -0.5 --qstart 0.125 --iterations 300 --escape 4 \
    -o "$work/opts.png" --width 40 --height 30 || fail "option render failed"
cmp -s "$work/file.png" "$work/opts.png" || fail "file and options give different pictures"

for bad in "Version:0.0\r\n1\r\n" "Version:1.0\r\n1\r\n" "Version:1.0\r\n1\r\n2\r\n3\r\n4 \r\n"; do
    printf "$bad" >"$work/bad.zlt"
    "$render" "$work/bad.zlt" -o "$work/bad.png" 2>"$work/err"
    code=$?
    [ "$code" -eq 2 ] || fail "exit $code for a bad file"
    [ -e "$work/bad.png" ] && fail "picture written for a bad file"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "stderr: $(cat "$work/err")"
done
grep -q "Cannot load this format." <(printf 'Version:0.0\r\n1\r\n' >"$work/old.zlt";
    "$render" "$work/old.zlt" -o "$work/x.png" 2>&1) || fail "no reason given for version 0.0"
"$render" "$work/missing.zlt" -o "$work/x.png" 2>/dev/null
[ $? -eq 2 ] || fail "missing file not refused"

echo "$failures failed"
[ "$failures" -eq 0 ]

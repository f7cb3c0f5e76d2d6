#!/usr/bin/env bash
# zolt answers --help and --version on the terminal, without a window: no screen is set here,
# so a window could not even open.
set -u
zolt="$1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for ask in -h --help; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zolt" "$ask" 2>&1) || fail "$ask: exit $?"
    grep -q "^Usage: .*zolt \[options\] FILE" <<<"$out" || fail "$ask said: $out"
done
for ask in -v --version; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zolt" "$ask" 2>&1) || fail "$ask: exit $?"
    [ "$out" = "zolt 1.0" ] || fail "$ask said: $out"
done
echo "$failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# Builds the fractal file reader's fuzz target with clang, AddressSanitizer and UBSan, and runs it
# for SECONDS seconds (default 60). The growing corpus and any crash input stay in the build
# directory (ZOLT_FUZZ_BUILD_DIR, default build-fuzz); the seeds are tests/document/fuzz_corpus.
# Exit code 0 when no crash was found. Copy a crash input into tests/document/fuzz_corpus once
# the reader is mended: every build then replays it (the fractal_file_replay test).
set -euo pipefail

seconds="${1:-60}"
case "$seconds" in
    '' | *[!0-9]*) echo "usage: $0 SECONDS" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZOLT_FUZZ_BUILD_DIR:-$root/build-fuzz}"

CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLT_BUILD_FUZZ=ON -DZOLT_SANITIZE=address,undefined \
    -DZOLT_BUILD_GUI=OFF -DZOLT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fractal_file_fuzz

corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"
"$build/fractal_file_fuzz" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -dict="$root/tests/document/fractal_file_fuzz.dict" \
    -artifact_prefix="$artifacts/" \
    "$corpus" "$root/tests/document/fuzz_corpus"

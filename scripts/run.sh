#!/usr/bin/env bash
# Builds Zolt and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the programs: the tests are built by scripts/test.sh.
cmake --build build --target zolt zolt-render
if [ -x build/zolt ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/zolt "$@"
fi
./build/zolt-render -o zolt.png
echo "No display to show the window on: rendered the home view to $(pwd)/zolt.png"

#!/usr/bin/env bash
# Installs what Zolt needs to build, test and run on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
    qt6-base-dev libgl-dev libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev libhwy-dev libmpfr-dev \
    libopenexr-dev ffmpeg slurm-wlm munge \
    xvfb xauth desktop-file-utils appstream shared-mime-info man-db pngcheck >/dev/null

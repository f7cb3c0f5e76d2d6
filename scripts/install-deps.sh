#!/usr/bin/env bash
# Installs what Zolt needs to build, test and run on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
    qt6-base-dev libgl-dev libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev libisal-dev libhwy-dev libmpfr-dev \
    libopenexr-dev ffmpeg \
    xvfb xauth desktop-file-utils appstream shared-mime-info man-db pngcheck >/dev/null
# Slurm and munge, for the test that runs the cluster scripts on a one-node Slurm of its own.
# Their packages start daemons as they install, which some containers refuse: without them that
# test is skipped, and everything else still builds and runs.
if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    slurm-wlm munge >/dev/null; then
    echo "install-deps: Slurm could not be installed; the cluster test will be skipped" >&2
    # Leave no half-configured package behind for the next installation to trip on.
    $SUDO apt-get purge -y -qq slurm-wlm slurmctld slurmd munge >/dev/null 2>&1 || true
fi

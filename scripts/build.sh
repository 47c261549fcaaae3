#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
# Paths relative to the source folder, so other checkouts of the tree share ccache's objects.
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"

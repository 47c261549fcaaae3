#!/usr/bin/env bash
# Builds the Debian package of the program: scripts/package.sh [BUILD_DIR] (default: build).
# The package installs under /usr; install it with `sudo apt install ./build/zel-gmouse_*.deb`.
# The build folder stays the portable installation it is (only its install prefix is set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$dir" -DCMAKE_INSTALL_PREFIX=/usr
rm -f "$dir"/zel-gmouse_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/zel-gmouse_*.deb

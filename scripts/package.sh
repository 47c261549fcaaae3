#!/usr/bin/env bash
# Builds the Debian package of the program: scripts/package.sh [BUILD_DIR] (default: build).
# The package installs under /usr; install it with `sudo apt install ./build/zel-gmouse_*.deb`.
# The build folder stays the portable installation it is (only its install prefix is set), and
# only what the package holds is built: the tests and benchmarks are left as they are.
# Prints a short summary and, on its last line, the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
mkdir -p "$dir"
log="$dir/package.log"

bash "$root/scripts/install-deps.sh" package
# Paths relative to the source folder, so other checkouts of the tree share ccache's objects.
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
step() {
    local what=$1
    shift
    if ! "$@" >>"$log" 2>&1; then
        echo "package.sh: $what failed; the last lines of $log:" >&2
        tail -n 30 "$log" >&2
        exit 1
    fi
}
: >"$log"
step "configuring" cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr
step "building" cmake --build "$dir" --target zel_packaged -j"$(nproc)"
rm -f "$dir"/zel-gmouse_*.deb
step "cpack" bash -c 'cd "$1" && cpack -G DEB' _ "$dir"
deb=$(ls "$dir"/zel-gmouse_*.deb)
echo "Package: $(dpkg-deb --field "$deb" Package) $(dpkg-deb --field "$deb" Version)" \
    "($(dpkg-deb --field "$deb" Architecture)), $(dpkg-deb --contents "$deb" | grep -vc '/$') files," \
    "$(du -h "$deb" | cut -f1)"
echo "$deb"

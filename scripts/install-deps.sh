#!/usr/bin/env bash
# Installs the Debian packages one task needs, when missing:
#   scripts/install-deps.sh [build|run|package|test]    (default: test)
#   scripts/install-deps.sh --list GROUP                prints the group's packages, one a line
# build: compiling the program; run: building and running it (scripts/run.sh); package: building
# the Debian package (scripts/package.sh); test: all of these and every test (scripts/test.sh).
set -euo pipefail

# Compiling the program (its tests and benchmarks are built only when their libraries are there).
build=(cmake ninja-build g++ pkg-config ccache qt6-base-dev libudev-dev libsystemd-dev)
# Running it: the font with every character of its texts (Debian's default fonts lack 【】).
run=(fonts-sawarabi-gothic)
# The Debian package: dpkg-shlibdeps and file, which CPack uses to find the libraries' packages.
package=(dpkg-dev file)

# Every test (scripts/test.sh, CI), with the groups above.
packages=(
  cmake ninja-build g++ pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libudev-dev libsystemd-dev
  xvfb xauth x11-apps imagemagick xdotool trayer dbus-daemon
  # the package and the checks of its desktop files
  dpkg-dev desktop-file-utils appstream udev
  # the package's lint, the unit's check, GNOME's pointer speed (keyfile backend), and
  # dbus-launch, which a program without a session bus must not autolaunch
  lintian systemd libglib2.0-bin gsettings-desktop-schemas dbus-x11
  # the zel-gmousectl round-trip test reads its JSON
  jq
  # the window benchmark's watcher of window maps and first paints
  libxcb-damage0-dev
  # the window's look on a compositing X server and on Wayland
  xcompmgr x11-utils weston qt6-wayland
  # the guest test: a kernel with the HID modules, QEMU to boot it, busybox inside
  qemu-system-x86 linux-image-amd64 busybox-static
  # the fuzz targets (tests/fuzz/run_all.sh): clang and its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # the accessibility tests: the AT-SPI bus and registry, and the client's Python bindings
  python3-pyatspi at-spi2-core dbus
  # the accessibility tests with the clients people use: the UI-automation library and the
  # screen reader (run with speech off, its debug log read)
  python3-dogtail orca
)

list=false
if [ "${1:-}" = "--list" ]; then
  list=true
  shift
fi
case ${1:-test} in
  build) wanted=("${build[@]}") ;;
  run) wanted=("${build[@]}" "${run[@]}") ;;
  package) wanted=("${build[@]}" "${package[@]}") ;;
  test) wanted=("${build[@]}" "${run[@]}" "${package[@]}" "${packages[@]}") ;;
  *)
    echo "usage: $0 [--list] [build|run|package|test]" >&2
    exit 2
    ;;
esac
if $list; then
  printf '%s\n' "${wanted[@]}" | awk '!seen[$0]++'
  exit 0
fi

missing=()
for p in $(printf '%s\n' "${wanted[@]}" | awk '!seen[$0]++'); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

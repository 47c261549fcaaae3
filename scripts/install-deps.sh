#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when missing.
set -euo pipefail

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
)

missing=()
for p in "${packages[@]}"; do
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

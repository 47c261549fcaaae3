#!/usr/bin/env bash
# Sets up and runs the program: installs what is missing, builds it, and starts it.
#
# With a real mouse plugged in (a hidraw node of 18F8:1286) the program runs against it.
# Otherwise a virtual mouse (zel-mouse-sim) is started in the background on a socket in a
# temporary folder, the program runs against it, and the virtual mouse is stopped when the
# program ends. Arguments are passed on to ZEL_GMouse (e.g. --headless).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh run
cmake -S "$root" -B build -G Ninja >/dev/null
cmake --build build --target ZEL_GMouse zel-mouse-sim zel_skin_pictures zel_runtime_data

real_mouse_present() {
    local uevent
    for uevent in /sys/class/hidraw/hidraw*/device/uevent; do
        [ -e "$uevent" ] || continue
        if grep -qi '^HID_ID=[0-9A-F]*:000018F8:00001286$' "$uevent"; then
            return 0
        fi
    done
    return 1
}

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [[ " $* " != *" --headless "* ]]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it from a" \
         "desktop session, under xvfb-run, or with --headless." >&2
    exit 1
fi

if real_mouse_present; then
    echo "run.sh: mouse found; running against it."
    exec build/bin/ZEL_GMouse "$@"
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/zel-gmouse.XXXXXX")
socket="$workdir/mouse.sock"
log="$workdir/mouse.log"
sim_pid=

stop_simulator() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        build/bin/zel-mouse-sim send --socket "$socket" quit >/dev/null 2>&1 ||
            kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$workdir"
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

build/bin/zel-mouse-sim serve --socket "$socket" --log "$log" &
sim_pid=$!
for _ in $(seq 100); do
    [ -S "$socket" ] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "run.sh: the virtual mouse did not start" >&2
        exit 1
    fi
    sleep 0.05
done
if [ ! -S "$socket" ]; then
    echo "run.sh: the virtual mouse did not open its socket $socket" >&2
    exit 1
fi

echo "run.sh: no mouse plugged in; running against the virtual mouse."
echo "  Press a mouse button from another terminal:"
echo "    $root/build/bin/zel-mouse-sim send --socket $socket click 3"
echo "  What the mouse receives is logged in $log"

status=0
ZEL_GMOUSE_SIM="$socket" build/bin/ZEL_GMouse "$@" || status=$?
exit "$status"

#!/bin/busybox sh
# /init of the test guest built by run-guest-test.sh. Runs as PID 1 on busybox, with the HID
# modules beside it, and reports everything on the serial console with line prefixes the host
# picks out:
#   ZEL-GUEST    progress and the verdict line ("ZEL-GUEST VERDICT ...")
#   ZEL-CHECK    output of the descriptor check against the kernel
#   ZEL-SIMLOG   the virtual mouse's event log (JSON Lines)
#   ZEL-APPERR   the program's standard error
#   ZEL-SIMERR   the virtual mouse's standard error
# Every wait is bounded; the guest always powers off at the end.

/bin/busybox --install -s /bin
export PATH=/bin
export HOME=/tmp

say() { echo "ZEL-GUEST $*"; }
now_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }

mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
mount -t debugfs debugfs /sys/kernel/debug
say "booted in $(now_ms) ms (kernel $(uname -r))"

# shellcheck source=/dev/null # written by run-guest-test.sh
. /guest/params.sh

for module in /guest/modules/*.ko; do
    [ -e "$module" ] || continue
    insmod "$module" || say "insmod $module failed"
done
[ -c /dev/uhid ] || say "no /dev/uhid after loading the modules"

# wait_for SECONDS COMMAND...: polls every 50 ms until COMMAND succeeds or time runs out.
wait_for() {
    limit=$(( $(now_ms) + $1 * 1000 ))
    shift
    until "$@"; do
        [ "$(now_ms)" -ge "$limit" ] && return 1
        usleep 50000
    done
}
features() {
    count=$(grep -c '"event":"feature"' /tmp/mouse.log 2>/dev/null)
    echo "${count:-0}"
}
features_at_least() { [ "$(features)" -ge "$1" ]; }
# True once the process has ended (gone, or a zombie waiting to be reaped).
ended() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }
send() { timeout 10 /guest/bin/zel-mouse-sim send --socket /tmp/mouse.sock "$@"; }

finish() {
    echo "ZEL-GUEST-SIMLOG-BEGIN"
    sed 's/^/ZEL-SIMLOG /' /tmp/mouse.log 2>/dev/null
    echo "ZEL-GUEST-SIMLOG-END"
    sed 's/^/ZEL-APPERR /' /tmp/app.err 2>/dev/null
    sed 's/^/ZEL-SIMERR /' /tmp/sim.err 2>/dev/null
    say "VERDICT check=$check_status upload=$upload_status click=$click_status" \
        "macro=$macro_status app_exit=$app_status udev=$udev_status elapsed_ms=$(now_ms)"
    sync
    poweroff -f
}

check_status=not-run
upload_status=not-run
click_status=not-run
macro_status=not-run
app_status=not-run
udev_status=not-run

# 1. Our descriptor parser against the kernel's.
say "step descriptor check"
# shellcheck disable=SC2086 # CHECK_ARGS holds zero or more words
timeout "$CHECK_TIMEOUT" /guest/bin/zel-hid-kernel-check $CHECK_ARGS >/tmp/check.out 2>&1
check_status=$?
sed 's/^/ZEL-CHECK /' /tmp/check.out
say "descriptor check done at $(now_ms) ms"
[ "$CHECK_ONLY" = 1 ] && finish

# 2. The virtual mouse on uhid, then the program on hidraw (no ZEL_GMOUSE_SIM).
say "step virtual mouse"
/guest/bin/zel-mouse-sim serve --uhid --socket /tmp/mouse.sock --log /tmp/mouse.log \
    2>/tmp/sim.err &
sim_pid=$!
if ! wait_for 15 test -S /tmp/mouse.sock; then
    say "the virtual mouse did not start"
    finish
fi
wait_for 15 test -c /dev/hidraw0 || say "no hidraw node for the virtual mouse"

# The udev rule on the node: access for the seat's user and the user service started.
if [ -x /guest/bin/udevadm ]; then
    /guest/bin/udevadm test --action=add /sys/class/hidraw/hidraw0 >/tmp/udev.out 2>&1
    udev_status=ok
    grep -q '^TAGS=.*:uaccess:' /tmp/udev.out || udev_status=no-uaccess-tag
    grep -q '^TAGS=.*:systemd:' /tmp/udev.out || udev_status=no-systemd-tag
    grep -qx 'SYSTEMD_USER_WANTS=zel-gmouse.service' /tmp/udev.out || udev_status=no-user-wants
    [ "$udev_status" = ok ] || sed 's/^/ZEL-GUEST udevadm: /' /tmp/udev.out
else
    udev_status=no-udevadm
fi

say "step program"
unset ZEL_GMOUSE_SIM
(cd /guest/app && exec ./ZEL_GMouse --headless >/tmp/app.out 2>/tmp/app.err) &
app_pid=$!
if wait_for "$UPLOAD_TIMEOUT" features_at_least "$UPLOAD_REPORTS"; then
    upload_status=seen
else
    upload_status=missing
fi
say "upload: $(features) feature reports at $(now_ms) ms"

# 3. A click on the macro button; the macro plays through the kernel device.
if [ "$upload_status" = seen ]; then
    usleep 300000  # nothing else may follow the upload
    if send click "$MACRO_BUTTON" >/tmp/click.out 2>&1; then
        click_status=sent
    else
        click_status=failed
    fi
    sed 's/^/ZEL-GUEST click: /' /tmp/click.out
    if [ "$MACRO_REPORTS" -gt 0 ]; then
        if wait_for "$MACRO_TIMEOUT" features_at_least $((UPLOAD_REPORTS + MACRO_REPORTS)); then
            macro_status=seen
        else
            macro_status=missing
        fi
    else
        macro_status=not-expected
    fi
    usleep 500000  # anything sent after the macro would show up now
fi

# 4. Unplug: the program must end by itself, with status 0.
say "step unplug"
send unplug >/dev/null 2>&1 || say "unplug command failed"
if wait_for "$EXIT_TIMEOUT" ended "$app_pid"; then
    wait "$app_pid"
    app_status=$?
else
    app_status=hung
    kill -9 "$app_pid" 2>/dev/null
fi
send quit >/dev/null 2>&1
wait_for 5 ended "$sim_pid" || kill -9 "$sim_pid" 2>/dev/null
finish

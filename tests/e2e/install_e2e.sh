#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix, or the Debian package that
# scripts/package.sh builds, run as an ordinary user with a fresh HOME against the virtual mouse.
# Usage: install_e2e.sh SCENARIO PROGRAM SIMULATOR BUILD_DIR SOURCE_DIR
# Scenarios:
#   user-files       the installed tree read-only; the user's files appear in ~/.config and a
#                    change saved there survives a restart
#   unusable-folder  ~/.config cannot be created: a clear message, the mouse still gets a profile
#   desktop-files    the desktop entries, AppStream data and udev rule pass their validators
#   package          the package holds every file at its place, passes lintian without an error
#                    or a warning and runs from its extracted tree
#   desktop-pointer-speed  under GNOME (the keyfile backend) the user's pointer speed is the
#                    profile's while the program runs and the user's own again after it ends,
#                    also after a kill -9 (at the next program's end) and after zel-gmousectl
#                    alone; a speed changed by hand while the program ran stays
#   no-stray-bus     a window start without a session bus leaves no dbus-launch or dbus-daemon
#   remembered-once  zel-gmousectl alone says once, not at every run, that the pointer speed is
#                    only remembered
#   realtime-kit     the headless run asks RealtimeKit (a stand-in on a private system bus) for
#                    its two threads, and says RealtimeKit's reason when it refuses
#   service          the unit passes systemd-analyze verify; the headless run says when it starts
#                    and why it ends (mouse removed, signal, handed over to a window)
# Every wait is bounded; a failure prints what was seen and exits non-zero.
set -u

scenario=$1
program=$2
simulator=$3
build=$4
source_dir=$5

source "$(dirname "$0")/e2e_common.sh"
# The installed tree is write-protected: give it back before the work folder goes.
trap 'chmod -R u+w "$work" 2>/dev/null; stop_private_bus; cleanup' EXIT

expected_upload=$default_profile_upload

prefix="$work/prefix"
home="$work/home"
runtime="$work/runtime"
mkdir -p "$home" "$runtime"
chmod 755 "$work"
chmod 700 "$runtime"

# Run as an ordinary user: tests run as root in CI, and root may write anywhere.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown 65534:65534 "$home" "$runtime"
fi

install_prefix() {
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        fail "cmake --install failed: $(cat "$work/install.log")"
}

# The simulator runs as the caller; the user may connect to its socket.
start_simulator_for_user() {
    start_simulator
    chmod 666 "$socket"
}

# start_installed EXE [VAR=VALUE...] [-- ARG...]: the program as the user (--headless unless
# other arguments are given), with nothing of this shell's environment but the sanitizers'
# options and the given variables.
start_installed() {
    local exe=$1
    shift
    local extra=() args=(--headless)
    while [ $# -gt 0 ]; do
        if [ "$1" = -- ]; then
            shift
            args=("$@")
            break
        fi
        extra+=("$1")
        shift
    done
    local keep=()
    local name
    for name in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS LSAN_OPTIONS; do
        [ -n "${!name+set}" ] && keep+=("$name=${!name}")
    done
    "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
        XDG_CURRENT_DESKTOP="" ZEL_GMOUSE_SIM="$socket" "${keep[@]}" "${extra[@]}" "$exe" \
        "${args[@]}" 2>"$work/app.err" &
    app_pid=$!
}

# as_user_run [VAR=VALUE...] COMMAND...: a command as the user, in the user's environment.
as_user_run() {
    "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" "$@"
}

# wait_upload FROM: a start's release and its upload arrive after the first FROM reports; sets
# `got` to the 13 reports of the upload.
wait_upload() {
    local from=$1
    wait_features $((from + start_count)) 10
    sleep 0.2  # anything sent after the upload would show up now
    [ "$(features | tail -n +$((from + 1)) | head -2)" = "$start_release" ] ||
        fail "the start did not release first"
    got=$(features | tail -n +$((from + 3)))
}

stop_program() {
    kill -TERM "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM, expected 0"
}

# The first upload of an installation, then a restart after the user changed the profile.
user_files() {
    local exe=$1 share=$2
    local user_dir="$home/.config/zel-gmouse"
    start_simulator_for_user
    start_installed "$exe"
    wait_upload 0
    [ "$got" = "$expected_upload" ] || fail "first upload differs:
$got"
    for f in config.ini Macro_EN.dat Macro_CN.dat; do
        [ -f "$user_dir/$f" ] || fail "$user_dir/$f was not made"
        [ -O "$user_dir/$f" ] || [ "$(stat -c %u "$user_dir/$f")" = 65534 ] ||
            fail "$user_dir/$f does not belong to the user"
    done
    cmp -s "$user_dir/Macro_EN.dat" "$share/Macro_EN.dat" || fail "Macro_EN.dat is no copy"
    grep -q '^CurConfig=1' "$user_dir/config.ini" || fail "CurConfig not in the user's config.ini"
    stop_program

    # Buttons 1 and 2 swapped in the user's file, saved as the user.
    "${as_user[@]}" sed -i 's/^K0=1\r$/K0=2\r/; s/^K1=2\r$/K1=1\r/' "$user_dir/config.ini" ||
        fail "cannot change the user's config.ini"
    local before
    before=$(feature_count)
    start_installed "$exe"
    wait_upload "$before"
    [ "$(echo "$got" | head -2)" = "0710010200000000
0710020100000000" ] || fail "the restart did not upload the changed profile:
$got"
    grep -q '^K0=2' "$user_dir/config.ini" || fail "the change was overwritten"
    stop_program
}

# The GNOME pointer speed the user sees, through the keyfile backend (no dconf, no bus).
gnome=(GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=GNOME)
gnome_speed() { as_user_run "${gnome[@]}" gsettings get org.gnome.desktop.peripherals.mouse speed; }
speed_is() { [ "$(gnome_speed)" = "$1" ]; }

# The user's 0.3 becomes the profile's 0.2 (speed 12 of the shipped profile 1) while the
# program runs and is 0.3 again once it has ended, by a signal or by the mouse's removal.
desktop_pointer_speed() {
    local exe=$1 before ending
    as_user_run "${gnome[@]}" gsettings set org.gnome.desktop.peripherals.mouse speed 0.3 ||
        fail "gsettings set failed"
    local users
    users=$(gnome_speed)
    local profiles
    profiles=$(as_user_run "${gnome[@]}" sh -c \
        'gsettings set org.gnome.desktop.peripherals.mouse speed 0.2 &&
         gsettings get org.gnome.desktop.peripherals.mouse speed')
    as_user_run "${gnome[@]}" gsettings set org.gnome.desktop.peripherals.mouse speed "$users"
    start_simulator_for_user
    for ending in signal unplug; do
        before=$(feature_count)
        start_installed "$exe" "${gnome[@]}"
        wait_upload "$before"
        wait_until 5 speed_is "$profiles" ||
            fail "($ending) the profile's speed was not set: $(gnome_speed)"
        if [ "$ending" = signal ]; then
            stop_program
        else
            send_mouse unplug
            wait_exit 10
            send_mouse plug
        fi
        speed_is "$users" || fail "($ending) the user's speed $users became $(gnome_speed)"
    done
    local record="$home/.local/state/zel-gmouse/desktop-values"
    [ ! -f "$record" ] || ! grep -q '^pointer-speed\.user=' "$record" ||
        fail "the record outlived the end: $(cat "$record")"

    # Killed: the profile's speed stays until the next program's end, which knows the user's.
    local ending
    for ending in headless tool-alone; do
        before=$(feature_count)
        start_installed "$exe" "${gnome[@]}"
        wait_upload "$before"
        wait_until 5 speed_is "$profiles" || fail "(kill) the profile's speed was not set"
        kill -KILL "$app_pid"
        wait "$app_pid" 2>/dev/null
        speed_is "$profiles" || fail "(kill) the desktop changed: $(gnome_speed)"
        grep -q '^pointer-speed\.user=' "$record" || fail "(kill) no record of the user's value"
        if [ "$ending" = headless ]; then
            before=$(feature_count)
            start_installed "$exe" "${gnome[@]}"
            wait_upload "$before"
            wait_until 5 speed_is "$profiles" || fail "(kill, start) the profile's speed not set"
            stop_program
        else
            ctl_alone profile 1 || fail "(kill, tool) zel-gmousectl profile 1 failed: $(cat "$work/ctl.err")"
        fi
        speed_is "$users" || fail "(kill, $ending) the user's speed $users became $(gnome_speed)"
    done

    # The tool alone is a run that ends at once: the user's speed is there after it, and a
    # program's later start and end still know it.
    ctl_alone profile 1 || fail "zel-gmousectl profile 1 failed: $(cat "$work/ctl.err")"
    speed_is "$users" || fail "(tool alone) the user's speed $users became $(gnome_speed)"
    before=$(feature_count)
    start_installed "$exe" "${gnome[@]}"
    wait_upload "$before"
    wait_until 5 speed_is "$profiles" || fail "(tool, start) the profile's speed was not set"
    stop_program
    speed_is "$users" || fail "(tool, start) the user's speed $users became $(gnome_speed)"

    # A speed the user chose by hand while the program ran is the user's new one.
    before=$(feature_count)
    start_installed "$exe" "${gnome[@]}"
    wait_upload "$before"
    wait_until 5 speed_is "$profiles" || fail "(by hand) the profile's speed was not set"
    as_user_run "${gnome[@]}" gsettings set org.gnome.desktop.peripherals.mouse speed 0.5
    local hands
    hands=$(gnome_speed)
    stop_program
    speed_is "$hands" || fail "(by hand) the user's new speed $hands became $(gnome_speed)"
}

# ctl_alone ARG...: the installed zel-gmousectl as the user under GNOME, with no program running.
ctl_alone() {
    as_user_run "${gnome[@]}" ZEL_GMOUSE_SIM="$socket" "$prefix/bin/zel-gmousectl" "$@" \
        >"$work/ctl.out" 2>"$work/ctl.err"
}

# dbus-launch and dbus-daemon processes started for this test's user runtime folder.
stray_bus_processes() {
    local pid
    for pid in $(pgrep -x dbus-launch) $(pgrep -x dbus-daemon); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$runtime" &&
            echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline")"
    done
}

# A window start on a bare X server, without DBUS_SESSION_BUS_ADDRESS and without a bus socket
# in XDG_RUNTIME_DIR: the window comes, the program ends, and no bus was started for it.
no_stray_bus() {
    local exe=$1
    [ ! -e "$runtime/bus" ] || fail "$runtime/bus exists"
    start_xvfb
    start_simulator_for_user
    start_installed "$exe" DISPLAY="$DISPLAY" --
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_upload 0
    stop_program
    local stray
    stray=$(stray_bus_processes)
    if [ -n "$stray" ]; then
        for pid in $(echo "$stray" | cut -d' ' -f1); do kill "$pid" 2>/dev/null; done
        fail "processes left behind: $stray"
    fi
}

# A private system bus with a stand-in RealtimeKit on it (tests/e2e/fake_realtime_kit.py).
bus_pid=
kit_pid=
stop_private_bus() {
    [ -z "$kit_pid" ] || kill "$kit_pid" 2>/dev/null
    [ -z "$bus_pid" ] || kill "$bus_pid" 2>/dev/null
    kit_pid= bus_pid=
}
system_bus="unix:path=$work/system_bus"
start_private_bus() {
    cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>$system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile 2>"$work/bus.err" &
    bus_pid=$!
    wait_until 10 test -S "$work/system_bus" || fail "the private bus did not start: $(cat "$work/bus.err")"
}
# start_kit [REFUSAL]: the stand-in, granting every call or refusing with REFUSAL.
start_kit() {
    [ -z "$kit_pid" ] || kill "$kit_pid" 2>/dev/null
    : >"$work/kit.log"
    DBUS_SYSTEM_BUS_ADDRESS=$system_bus /usr/bin/python3 "$source_dir/tests/e2e/fake_realtime_kit.py" \
        "$work/kit.log" "$@" >"$work/kit.out" 2>&1 &
    kit_pid=$!
    wait_until 10 grep -q ready "$work/kit.out" || fail "the stand-in did not start: $(cat "$work/kit.out")"
}
# Two calls (reader and player) from the program's own process.
kit_called_twice() { [ "$(grep -c "^$app_pid [0-9]* 5\$" "$work/kit.log")" -ge 2 ]; }

realtime_kit() {
    local exe=$1
    # As an ordinary user without real-time or nice limits: RealtimeKit is the way.
    ulimit -r 0 -e 0 2>/dev/null
    start_private_bus
    start_simulator_for_user
    local refusal="Failed to make thread 1234 RT: Operation not permitted"
    local mode
    for mode in grant refuse; do
        if [ "$mode" = grant ]; then start_kit; else start_kit "$refusal"; fi
        start_installed "$exe" DBUS_SYSTEM_BUS_ADDRESS="$system_bus"
        wait_upload "$(feature_count)"
        wait_until 20 kit_called_twice ||
            fail "($mode) RealtimeKit was not asked: $(cat "$work/kit.log") / $(cat "$work/app.err")"
        if [ "$mode" = grant ]; then
            wait_until 10 grep -q "threads: SCHED_RR priority 5 through RealtimeKit" "$work/app.err" ||
                fail "(grant) not said: $(cat "$work/app.err")"
        else
            wait_until 10 grep -qF "(RealtimeKit refused: $refusal)" "$work/app.err" ||
                fail "(refuse) the reason was not said: $(cat "$work/app.err")"
        fi
        stop_program
    done
}

# zel-gmousectl alone on a desktop without a pointer speed setting: the notice comes with the
# first `profile` or `reset`, never again.
remembered_once() {
    start_simulator_for_user
    local run said=0
    for run in 1 2 3; do
        as_user_run XDG_CURRENT_DESKTOP="" ZEL_GMOUSE_SIM="$socket" "$prefix/bin/zel-gmousectl" \
            profile 1 >"$work/ctl.out" 2>"$work/ctl.err" || fail "profile 1 failed: $(cat "$work/ctl.err")"
        cat "$work/ctl.err" >>"$work/ctl.all"
    done
    as_user_run XDG_CURRENT_DESKTOP="" ZEL_GMOUSE_SIM="$socket" "$prefix/bin/zel-gmousectl" \
        reset >"$work/ctl.out" 2>>"$work/ctl.all" || fail "reset failed"
    said=$(grep -c "this desktop has no pointer speed setting the program can change; the value is only remembered" "$work/ctl.all")
    [ "$said" -eq 1 ] || fail "the notice came $said times: $(cat "$work/ctl.all")"
}

# has_line TEXT: the program's standard error holds exactly this line.
has_line() { grep -qxF "$1" "$work/app.err"; }

# The unit as systemd reads it, and the lines the headless run writes for the journal.
service() {
    local exe=$1 unit=$2
    grep -qxF "ExecStart=$exe --headless" "$unit" || fail "the unit does not start $exe:
$(cat "$unit")"
    # Its Documentation= is checked with man, which finds the installed pages through MANPATH.
    MANPATH="$(dirname "$exe")/../share/man:" systemd-analyze --user verify "$unit" \
        >"$work/verify.out" 2>&1 ||
        fail "systemd-analyze verify: $(cat "$work/verify.out")"
    if grep -F "$(basename "$unit")" "$work/verify.out"; then
        fail "systemd-analyze complains: $(cat "$work/verify.out")"
    fi
    local started="ZEL_GMouse --headless: started (settings $home/.config/zel-gmouse/config.ini)"
    start_simulator_for_user
    start_installed "$exe"
    wait_upload 0
    has_line "$started" || fail "no start line"
    send_mouse unplug
    wait_exit 10
    has_line "ZEL_GMouse --headless: ended: the mouse was removed" || fail "no end line (unplug)"
    send_mouse plug

    start_installed "$exe"
    wait_upload "$(feature_count)"
    stop_program
    has_line "$started" || fail "no start line"
    has_line "ZEL_GMouse --headless: ended: signal SIGTERM" || fail "no end line (SIGTERM)"

    # A window start takes the mouse over from the headless run.
    start_xvfb
    start_installed "$exe"
    wait_upload "$(feature_count)"
    local headless_pid=$app_pid headless_err="$work/headless.err"
    mv "$work/app.err" "$headless_err"
    start_installed "$exe" DISPLAY="$DISPLAY" --
    local window_pid=$app_pid
    app_pid=$headless_pid
    wait_exit 20
    [ "$status" -eq 0 ] || fail "the headless run ended with status $status"
    grep -qxF "ZEL_GMouse --headless: ended: handed over to a window" "$headless_err" ||
        fail "no end line (window): $(cat "$headless_err")"
    app_pid=$window_pid
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    stop_program
}

case "$scenario" in
user-files)
    install_prefix
    chmod -R a-w "$prefix"
    touch "$work/stamp"
    user_files "$prefix/bin/ZEL_GMouse" "$prefix/share/zel-gmouse"
    changed=$(find "$prefix" -newer "$work/stamp")
    [ -z "$changed" ] || fail "the installed tree changed: $changed"
    ;;
unusable-folder)
    install_prefix
    # A plain file where the configuration folder belongs.
    echo "not a folder" >"$home/.config"
    start_simulator_for_user
    start_installed "$prefix/bin/ZEL_GMouse"
    wait_upload 0
    grep -q "cannot create the settings folder $home/.config/zel-gmouse" "$work/app.err" ||
        fail "no message about the settings folder"
    stop_program
    ;;
desktop-files)
    install_prefix
    for entry in "$prefix/share/applications/com.zel.GMouse.desktop" \
        "$prefix/share/zel-gmouse/autostart/zel-gmouse.desktop"; do
        desktop-file-validate "$entry" >"$work/validate.out" 2>&1 ||
            fail "desktop-file-validate $entry: $(cat "$work/validate.out")"
    done
    appstreamcli validate --no-net "$prefix/share/metainfo/com.zel.GMouse.metainfo.xml" \
        >"$work/validate.out" 2>&1 || fail "appstreamcli: $(cat "$work/validate.out")"
    # udev's own parser reads the rule: from /run/udev/rules.d, on a tmpfs of a private mount
    # namespace so the machine's udev is not touched; any complaint names the file and line.
    rule="$prefix/lib/udev/rules.d/70-zel-gmouse.rules"
    if [ "$(id -u)" -ne 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
        echo "SKIP: udevadm check needs root and mount namespaces" >&2
        exit 77
    fi
    unshare --mount --propagation private bash -c '
        mount -t tmpfs none /run && mkdir -p /run/udev/rules.d &&
        cp "$1" /run/udev/rules.d/ && udevadm test --action=add /sys/class/mem/null' _ "$rule" \
        >"$work/udev.out" 2>&1
    grep -q "Reading rules file: /run/udev/rules.d/70-zel-gmouse.rules" "$work/udev.out" ||
        fail "udevadm did not read the rule: $(cat "$work/udev.out")"
    if grep "rules.d/70-zel-gmouse.rules:" "$work/udev.out" >"$work/udev.complaints"; then
        fail "udevadm complains: $(cat "$work/udev.complaints")"
    fi
    ;;
package)
    bash "$source_dir/scripts/package.sh" "$build" >"$work/package.log" 2>&1 ||
        fail "scripts/package.sh failed: $(tail -20 "$work/package.log")"
    deb=$(ls "$build"/zel-gmouse_*.deb 2>/dev/null | head -1)
    [ -n "$deb" ] || fail "no package was made"
    dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
    for path in usr/bin/ZEL_GMouse usr/libexec/zel-gmouse/zel-mouse-sim usr/bin/zel-gmousectl \
        usr/share/man/man1/zel-gmousectl.1.gz usr/share/man/man1/ZEL_GMouse.1.gz \
        usr/share/doc/zel-gmouse/changelog.Debian.gz \
        usr/share/bash-completion/completions/zel-gmousectl \
        usr/lib/udev/rules.d/70-zel-gmouse.rules usr/lib/systemd/user/zel-gmouse.service \
        usr/share/applications/com.zel.GMouse.desktop \
        usr/share/icons/hicolor/scalable/apps/com.zel.GMouse.svg \
        usr/share/metainfo/com.zel.GMouse.metainfo.xml usr/share/doc/zel-gmouse/copyright \
        usr/share/zel-gmouse/config.ini usr/share/zel-gmouse/constMacro.dat \
        usr/share/zel-gmouse/Macro_EN.dat usr/share/zel-gmouse/Macro_CN.dat \
        usr/share/zel-gmouse/skins/main_mask.jpg usr/share/zel-gmouse/skins/INI_EN/defMacro.dat \
        usr/share/zel-gmouse/autostart/zel-gmouse.desktop; do
        grep -qx "\./$path" "$work/contents" || fail "the package lacks /$path"
    done
    grep -q '^ExecStart=/usr/bin/ZEL_GMouse --headless$' \
        <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/zel-gmouse.service) ||
        fail "the service does not start /usr/bin/ZEL_GMouse"
    dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks Qt"
    # The font with the no-mouse box's 【】; the reader of the completion.
    dpkg-deb --field "$deb" Depends | grep -q fonts-sawarabi-gothic || fail "Depends lacks the font"
    dpkg-deb --field "$deb" Recommends | grep -qx bash-completion ||
        fail "the package does not recommend bash-completion"
    grep -qx 'Documentation=man:ZEL_GMouse(1)' \
        <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/zel-gmouse.service) ||
        fail "the service names no documentation"
    grep -q '^\./usr/bin/zel-mouse-sim$' "$work/contents" && fail "zel-mouse-sim is on the PATH"
    tail -1 "$work/package.log" | grep -qxF "$deb" || fail "package.sh does not end with the path"
    [ "$(wc -l <"$work/package.log")" -le 10 ] || fail "package.sh says too much:
$(cat "$work/package.log")"
    # Every error and warning fails; lintian's notes (I:, P:) do not.
    lintian "$deb" >"$work/lintian.out" 2>&1
    lintian_status=$?
    if grep -E '^[EW]: ' "$work/lintian.out" >"$work/lintian.bad"; then
        fail "lintian: $(cat "$work/lintian.bad")"
    fi
    [ "$lintian_status" -le 1 ] || fail "lintian could not check the package: $(cat "$work/lintian.out")"
    root="$work/root"
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
    chmod 755 "$root"
    # What the installed files tell the user to read is installed: no file of the sources
    # (docs/...) is named, and the manual section the messages name exists.
    if grep -rlaE 'docs/[a-z-]+\.md' "$root" >"$work/docs.named"; then
        fail "installed files name the sources' documents: $(cat "$work/docs.named")"
    fi
    grep -qa 'ZEL_GMouse(1), ACCESS TO THE MOUSE' "$root/usr/bin/ZEL_GMouse" ||
        fail "the program's messages do not name the manual"
    zcat "$root/usr/share/man/man1/ZEL_GMouse.1.gz" | grep -qx '.SH ACCESS TO THE MOUSE' ||
        fail "ZEL_GMouse(1) has no ACCESS TO THE MOUSE section"
    user_files "$root/usr/bin/ZEL_GMouse" "$root/usr/share/zel-gmouse"
    ;;
desktop-pointer-speed)
    require_tools gsettings
    install_prefix
    chmod -R a-w "$prefix"
    desktop_pointer_speed "$prefix/bin/ZEL_GMouse"
    ;;
no-stray-bus)
    # Without dbus-launch nothing could autolaunch a bus, and the test could not fail.
    require_tools Xvfb xdotool dbus-launch
    install_prefix
    chmod -R a-w "$prefix"
    no_stray_bus "$prefix/bin/ZEL_GMouse"
    ;;
remembered-once)
    install_prefix
    chmod -R a-w "$prefix"
    remembered_once
    ;;
realtime-kit)
    require_tools dbus-daemon /usr/bin/python3
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus" >&2; exit 77; }
    install_prefix
    chmod -R a-w "$prefix"
    realtime_kit "$prefix/bin/ZEL_GMouse"
    ;;
service)
    require_tools systemd-analyze Xvfb xdotool
    install_prefix
    chmod -R a-w "$prefix"
    service "$prefix/bin/ZEL_GMouse" "$prefix/lib/systemd/user/zel-gmouse.service"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
exit 0

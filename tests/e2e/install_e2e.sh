#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary prefix, or the Debian package that
# scripts/package.sh builds, run as an ordinary user with a fresh HOME against the virtual mouse.
# Usage: install_e2e.sh SCENARIO PROGRAM SIMULATOR BUILD_DIR SOURCE_DIR
# Scenarios:
#   user-files       the installed tree read-only; the user's files appear in ~/.config and a
#                    change saved there survives a restart
#   unusable-folder  ~/.config cannot be created: a clear message, the mouse still gets a profile
#   desktop-files    the desktop entries, AppStream data and udev rule pass their validators
#   package          the package holds every file at its place and runs from its extracted tree
# Every wait is bounded; a failure prints what was seen and exits non-zero.
set -u

scenario=$1
program=$2
simulator=$3
build=$4
source_dir=$5

source "$(dirname "$0")/e2e_common.sh"
# The installed tree is write-protected: give it back before the work folder goes.
trap 'chmod -R u+w "$work" 2>/dev/null; cleanup' EXIT

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

# start_installed EXE: the program as the user, with nothing of this shell's environment but
# the sanitizers' options.
start_installed() {
    local keep=()
    local name
    for name in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS LSAN_OPTIONS; do
        [ -n "${!name+set}" ] && keep+=("$name=${!name}")
    done
    "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
        XDG_CURRENT_DESKTOP="" ZEL_GMOUSE_SIM="$socket" "${keep[@]}" "$1" --headless \
        2>"$work/app.err" &
    app_pid=$!
}

# wait_upload FROM: the 13 reports of an upload arrive after the first FROM reports; sets `got`.
wait_upload() {
    local from=$1
    wait_features $((from + 13)) 10
    sleep 0.2  # anything sent after the upload would show up now
    got=$(features | tail -n +$((from + 1)))
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
    for path in usr/bin/ZEL_GMouse usr/bin/zel-mouse-sim usr/bin/zel-gmousectl \
        usr/share/man/man1/zel-gmousectl.1 usr/share/man/man1/ZEL_GMouse.1 \
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
    root="$work/root"
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
    chmod 755 "$root"
    user_files "$root/usr/bin/ZEL_GMouse" "$root/usr/share/zel-gmouse"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
exit 0

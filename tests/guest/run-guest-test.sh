#!/usr/bin/env bash
# The program against the real Linux HID stack: boots the installed Debian kernel in QEMU
# (software emulation), makes the virtual mouse a kernel HID device there through uhid, runs
# `ZEL_GMouse --headless` on the hidraw backend against it, clicks a macro button, unplugs the
# mouse, and checks what the kernel-side mouse received. The same guest also compares our
# report-descriptor parser with the kernel's, and has udevadm read the udev rule on the virtual
# mouse's node (the uaccess and systemd tags, the user service it asks for).
#
# Usage: run-guest-test.sh PROGRAM SIMULATOR CHECKER
#   PROGRAM    the built ZEL_GMouse; its folder's data files go with it
#   SIMULATOR  the built zel-mouse-sim
#   CHECKER    the built zel-hid-kernel-check
# Exit status: 0 passed, 1 failed, 77 skipped (the machine cannot boot the guest; the reason
# is printed).
# Environment:
#   ZEL_GUEST_NO_INSTALL=1     never install missing packages (default: install them when
#                              running as root with apt-get)
#   ZEL_GUEST_TOLERANCE_MS=N   how far a step interval may exceed its delay (default 40); it
#                              may fall short by 20 ms (a late report followed by one on time),
#                              and the whole macro must take its total delay, -N/+60 ms: the
#                              player keeps absolute deadlines, so a late first report shortens
#                              the span from the first report to the last by its lateness
#   ZEL_GUEST_KEEP=1           keep the work folder (initramfs, serial log) and print its path
#   ZEL_GUEST_TIMEOUT=SECONDS  wall-time limit of the guest (default 200)
#   ZEL_GUEST_QEMU=PROGRAM     the QEMU to run (default qemu-system-x86_64)
#   ZEL_GUEST_CHECK_ONLY=1     run only the descriptor check (it then decides the result)
#   ZEL_GUEST_CHECK_ARGS=...   arguments of zel-hid-kernel-check (--dump shows the kernel's
#                              parse of every descriptor)
set -u

readonly SKIP=77
program=${1:?PROGRAM}
simulator=${2:?SIMULATOR}
checker=${3:?CHECKER}
tolerance_ms=${ZEL_GUEST_TOLERANCE_MS:-40}
guest_timeout=${ZEL_GUEST_TIMEOUT:-200}
script_dir=$(cd "$(dirname "$0")" && pwd)
qemu=${ZEL_GUEST_QEMU:-qemu-system-x86_64}

started=$SECONDS
work=$(mktemp -d "${TMPDIR:-/tmp}/zel-guest-XXXXXX")
cleanup() {
    if [ "${ZEL_GUEST_KEEP:-0}" = 1 ]; then
        echo "work folder kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

skip() {
    echo "SKIPPED: $*"
    exit $SKIP
}
serial="$work/serial.log"
fail() {
    echo "FAIL: $*"
    if [ -f "$serial" ]; then
        echo "----- serial console of the guest -----"
        tr -d '\r' <"$serial"
        echo "----- end of the serial console -----"
    fi
    exit 1
}

# ---- what the guest needs on this machine ----------------------------------------------------

packages_missing() {
    local absent=()
    command -v "$qemu" >/dev/null || absent+=(qemu-system-x86)
    compgen -G '/boot/vmlinuz-*' >/dev/null || absent+=(linux-image-amd64)
    [ -x /bin/busybox ] && file_is_static /bin/busybox || absent+=(busybox-static)
    echo "${absent[@]}"
}
file_is_static() { ! ldd "$1" >/dev/null 2>&1; }

missing=$(packages_missing)
if [ -n "$missing" ]; then
    if [ "${ZEL_GUEST_NO_INSTALL:-0}" != 1 ] && [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        echo "installing: $missing"
        export DEBIAN_FRONTEND=noninteractive
        # shellcheck disable=SC2086
        if ! timeout 180 apt-get install -y -qq --no-install-recommends $missing >"$work/apt.log" 2>&1; then
            timeout 60 apt-get update -qq >>"$work/apt.log" 2>&1
            # shellcheck disable=SC2086
            timeout 180 apt-get install -y -qq --no-install-recommends $missing >>"$work/apt.log" 2>&1 ||
                { tail -5 "$work/apt.log"; skip "could not install $missing"; }
        fi
        missing=$(packages_missing)
    fi
    [ -z "$missing" ] || skip "missing $missing (install them: apt-get install --no-install-recommends $missing)"
fi

# The newest installed kernel that has an image we can read and the HID modules (or has them
# built in).
module_path() {  # VERSION NAME: the module's path relative to /lib/modules/VERSION, if any
    grep -oE "^([^:]*/)?$2\.ko(\.xz|\.zst|\.gz)?:" "/lib/modules/$1/modules.dep" 2>/dev/null |
        head -1 | sed 's/:$//'
}
builtin_module() { grep -qE "(^|/)$2\.ko$" "/lib/modules/$1/modules.builtin" 2>/dev/null; }
kernel_version=""
for version in $(find /lib/modules -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | sort -rV); do
    [ -r "/boot/vmlinuz-$version" ] || continue
    usable=1
    for name in hid uhid hid-generic; do
        [ -n "$(module_path "$version" "$name")" ] || builtin_module "$version" "$name" || usable=0
    done
    if [ $usable = 1 ]; then
        kernel_version=$version
        break
    fi
done
[ -n "$kernel_version" ] ||
    skip "no installed kernel with a readable /boot/vmlinuz and the hid, uhid and hid-generic modules"
modules_dir="/lib/modules/$kernel_version"

for binary in "$program" "$simulator" "$checker"; do
    [ -x "$binary" ] || fail "$binary is not built"
done

# ---- the initramfs -------------------------------------------------------------------------------

root="$work/root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,guest/bin,guest/app,guest/modules}
cp /bin/busybox "$root/bin/busybox"
cp "$script_dir/guest-init.sh" "$root/init"
chmod 755 "$root/init"

# The modules and everything they depend on, dependencies first.
load_order=()
add_module() {  # PATH relative to the modules folder
    local path=$1 dep
    for known in "${load_order[@]}"; do [ "$known" = "$path" ] && return; done
    # shellcheck disable=SC2013 # one line, its words are the dependencies
    for dep in $(grep -E "^$path:" "$modules_dir/modules.dep" | cut -d: -f2-); do
        add_module "$dep"
    done
    load_order+=("$path")
}
for name in hid uhid hid-generic; do
    path=$(module_path "$kernel_version" "$name")
    [ -n "$path" ] && add_module "$path"
done
index=0
for path in "${load_order[@]}"; do
    index=$((index + 1))
    target="$root/guest/modules/$(printf '%02d' $index)-$(basename "${path%%.ko*}").ko"
    case "$path" in
    *.ko) cp "$modules_dir/$path" "$target" ;;
    *.ko.xz) xz -dc "$modules_dir/$path" >"$target" || skip "cannot unpack $path (xz)" ;;
    *.ko.zst) zstd -qdc "$modules_dir/$path" >"$target" 2>/dev/null || skip "cannot unpack $path (zstd)" ;;
    *.ko.gz) gzip -dc "$modules_dir/$path" >"$target" || skip "cannot unpack $path (gzip)" ;;
    esac
done

# Programs with the shared libraries they load and the dynamic loader.
copy_with_libraries() {  # FILE DESTINATION
    cp "$1" "$2" || fail "cannot copy $1"
    local line library
    while read -r line; do
        case "$line" in
        *"not found"*) fail "$1 needs a library that is missing: $line" ;;
        *"=> /"*) library=$(echo "$line" | sed -E 's/.*=> ([^ ]+).*/\1/') ;;
        /*) library=$(echo "$line" | cut -d' ' -f1) ;;
        *) continue ;;
        esac
        [ -e "$root$library" ] && continue
        mkdir -p "$root$(dirname "$library")"
        cp -L "$library" "$root$library" || fail "cannot copy $library"
    done < <(ldd "$1" 2>/dev/null)
}
copy_with_libraries "$simulator" "$root/guest/bin/zel-mouse-sim"
copy_with_libraries "$checker" "$root/guest/bin/zel-hid-kernel-check"
copy_with_libraries "$program" "$root/guest/app/ZEL_GMouse"
# udev's own reading of the rule on the virtual mouse's node (udevadm test, no daemon).
rule="$(dirname "$program")/70-zel-gmouse.rules"
if command -v udevadm >/dev/null && [ -f "$rule" ]; then
    copy_with_libraries "$(command -v udevadm)" "$root/guest/bin/udevadm"
    mkdir -p "$root/etc/udev/rules.d"
    cp "$rule" "$root/etc/udev/rules.d/"
fi
# The data the program reads beside itself (not the skins: the headless run draws nothing).
find "$(dirname "$program")" -maxdepth 1 -type f \( -name '*.ini' -o -name '*.dat' \) \
    -exec cp {} "$root/guest/app/" \;

# The known configuration: the reset defaults, with mouse button 4 (K3) running user macro 1
# (function 41).
macro_button=4
cat >"$root/guest/app/config.ini" <<'INI'
[Init]
CurConfig=1
VER_SEL=1
[Config1]
K0=1
K1=2
K2=3
K3=41
K4=5
K5=6
DPI_LEVEL=0
WHEEL_STATUS=0
MACRO_MODE2=0
DPI_SET0=3
DPI_SET_EN0=1
DPI_SET1=6
DPI_SET_EN1=1
DPI_SET2=9
DPI_SET_EN2=1
DPI_SET3=10
DPI_SET_EN3=1
LED_STATUS=0
DPI_SPEED=6
WHEEL_SPEED=2
USB_SPEED=2
FIRE_TIME=50
INI

# The user macro: steps as (Windows virtual-key code or mouse-button code, action, delay ms),
# each with the feature report it must produce. Played once (repeat off).
macro_steps=(
    "65 1 50 0715040000000000"    # A down
    "240 1 40 071604fe00000000"   # left button down (byte 2 keeps the key report's first slot)
    "240 2 30 071604ff00000000"   # left button up
    "65 2 100 0715000000000000"   # A up
    "66 1 0 0715050000000000"     # B down; a delay under 15 ms is played as 15
    "66 2 60 0715000000000000"    # B up
)
# After the last step the player releases everything: buttons 10 ms later, keys 10 ms after.
release_all=("071600ff00000000" "0715000000000000")

macro_value() {  # NAME: the 1064 groups of three digits of a macro record
    local name=$1 groups=() i step vk action delay
    for ((i = 0; i < ${#name}; i++)); do
        groups+=("$(printf '%d' "'${name:i:1}")" 0)
    done
    while [ ${#groups[@]} -lt 40 ]; do groups+=(0); done
    groups+=(0 1 0 ${#macro_steps[@]})  # repeat off, repeat count 1, step count
    for step in "${macro_steps[@]}"; do
        read -r vk action delay _ <<<"$step"
        groups+=("$vk" "$action" $((delay & 255)) $((delay >> 8)))
    done
    while [ ${#groups[@]} -lt 1064 ]; do groups+=(0); done
    printf '%03d' "${groups[@]}"
}
printf '[Macros]\r\nmacroNum=1\r\n0=%s\r\n' "$(macro_value Guest)" >"$root/guest/app/Macro_EN.dat"

# A start first lets go of whatever a killed run left held, then uploads.
expected_upload=(
    "${release_all[@]}"
    0710010100000000 0710020200000000 0710030300000000 0710040000000000
    0710050500000000 0710060600000000 0711000000000000 070940480f000000
    070940790f000000 070940da0f000000 070940eb0f000000 07137f100f000000
    0712000600000000
)
expected_macro=()
expected_gaps=()
previous_delay=""
for step in "${macro_steps[@]}"; do
    read -r _ _ delay hex <<<"$step"
    expected_macro+=("$hex")
    [ -n "$previous_delay" ] && expected_gaps+=("$previous_delay")
    previous_delay=$((delay < 15 ? 15 : delay))
done
expected_macro+=("${release_all[@]}")
expected_gaps+=($((previous_delay + 10)) 10)

# The click plays the macro: its reports and their timing are checked. ZEL_GUEST_EXPECT_MACRO=0
# checks only that the press reached the program.
expect_macro=${ZEL_GUEST_EXPECT_MACRO:-1}
cat >"$root/guest/params.sh" <<EOF
CHECK_TIMEOUT=60
CHECK_ARGS="${ZEL_GUEST_CHECK_ARGS:-}"
CHECK_ONLY=${ZEL_GUEST_CHECK_ONLY:-0}
UPLOAD_TIMEOUT=45
UPLOAD_REPORTS=${#expected_upload[@]}
MACRO_BUTTON=$macro_button
MACRO_REPORTS=$([ "$expect_macro" = 1 ] && echo ${#expected_macro[@]} || echo 0)
MACRO_TIMEOUT=20
EXIT_TIMEOUT=20
export ASAN_OPTIONS="${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}"
export XDG_CURRENT_DESKTOP=""
EOF

initrd="$work/initrd.cpio"
(cd "$root" && find . | cpio -o -H newc -R 0:0 --quiet >"$initrd") 2>/dev/null ||
    (cd "$root" && find . | busybox cpio -o -H newc -R 0:0 >"$initrd") ||
    fail "cannot pack the initramfs"
echo "guest: kernel $kernel_version, initramfs $(($(stat -c %s "$initrd") / 1024 / 1024)) MiB," \
    "modules: ${load_order[*]:-built in}"

# ---- boot ----------------------------------------------------------------------------------------

boot_started=$SECONDS
# Software emulation only: it works wherever QEMU does, KVM or not.
timeout --kill-after=10 "$guest_timeout" "$qemu" -accel tcg -cpu max -m 1024 -smp 1 \
    -nodefaults -display none -no-reboot -monitor none -serial "file:$serial" \
    -kernel "/boot/vmlinuz-$kernel_version" -initrd "$initrd" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 oops=panic" >"$work/qemu.out" 2>&1
qemu_status=$?
guest_seconds=$((SECONDS - boot_started))
if [ $qemu_status -eq 124 ] || [ $qemu_status -eq 137 ]; then
    fail "the guest did not power off within $guest_timeout s"
fi
if [ $qemu_status -ne 0 ]; then
    cat "$work/qemu.out"
    if grep -qiE 'could not|failed to|not supported' "$work/qemu.out" && [ ! -s "$serial" ]; then
        skip "QEMU cannot start here (status $qemu_status)"
    fi
    fail "QEMU ended with status $qemu_status"
fi

# ---- what the guest saw --------------------------------------------------------------------------

console=$(tr -d '\r' <"$serial")
verdict=$(grep -m1 '^ZEL-GUEST VERDICT ' <<<"$console")
[ -n "$verdict" ] || fail "the guest gave no verdict"
field() { sed -nE "s/.* $1=([^ ]*).*/\1/p" <<<"$verdict"; }
simlog=$(sed -n 's/^ZEL-SIMLOG //p' <<<"$console")
# "t_us hex" of every feature report the kernel-side mouse received, in order.
features=$(sed -nE 's/.*"t_us":([0-9]+),"event":"feature","hex":"([0-9a-f]*)".*/\1 \2/p' <<<"$simlog")
mapfile -t feature_hex < <(cut -d' ' -f2 <<<"$features" | sed '/^$/d')
mapfile -t feature_us < <(cut -d' ' -f1 <<<"$features" | sed '/^$/d')

problems=()
echo "guest: $(grep -m1 '^ZEL-GUEST booted' <<<"$console" | cut -d' ' -f2-)"
echo "guest: wall time $guest_seconds s, guest clock at the verdict $(field elapsed_ms) ms"

echo "== descriptor parser against the kernel"
sed -n 's/^ZEL-CHECK /  /p' <<<"$console"
[ "$(field check)" = 0 ] || problems+=("descriptor check failed (status $(field check))")
grep -q '^ZEL-CHECK HID-KERNEL-CHECK PASS' <<<"$console" || problems+=("no passing descriptor check")

if [ "${ZEL_GUEST_CHECK_ONLY:-0}" = 1 ]; then
    [ ${#problems[@]} -eq 0 ] || fail "${problems[*]}"
    echo "PASS (descriptor check only)"
    exit 0
fi

echo "== udev rule on the virtual mouse's node: $(field udev)"
[ "$(field udev)" = ok ] ||
    problems+=("the udev rule did not give the node its tags and service ($(field udev))")

echo "== upload as received by the kernel-side mouse"
for ((i = 0; i < ${#expected_upload[@]}; i++)); do
    got=${feature_hex[i]:-none}
    mark=ok
    [ "$got" = "${expected_upload[i]}" ] || { mark="expected ${expected_upload[i]}"; problems+=("upload report $((i + 1)) is $got, expected ${expected_upload[i]}"); }
    echo "  $got  $mark"
done

echo "== macro on button $macro_button"
press_us=$(sed -nE "s/.*\"t_us\":([0-9]+),\"event\":\"input\",\"hex\":\"06f${macro_button}01[0-9a-f]*\".*\"readers\":([0-9]+).*/\1 \2/p" <<<"$simlog" | head -1)
if [ -z "$press_us" ]; then
    problems+=("the press of button $macro_button never left the mouse")
else
    echo "  press of button $macro_button sent at t=${press_us% *} us to ${press_us#* } reader(s)"
    [ "${press_us#* }" -ge 1 ] || problems+=("nobody had the mouse open when the button was pressed")
fi
base=${#expected_upload[@]}
if [ "$expect_macro" = 1 ]; then
    for ((i = 0; i < ${#expected_macro[@]}; i++)); do
        k=$((base + i))
        got=${feature_hex[k]:-none}
        line="  $got"
        [ "$got" = "${expected_macro[i]}" ] || problems+=("macro report $((i + 1)) is $got, expected ${expected_macro[i]}")
        if [ $i -gt 0 ] && [ -n "${feature_us[k]:-}" ]; then
            gap=$(((feature_us[k] - feature_us[k - 1] + 500) / 1000))
            want=${expected_gaps[i - 1]}
            line+="  +$gap ms (step delay $want ms)"
            if [ $gap -lt $((want - 20)) ] || [ $gap -gt $((want + tolerance_ms)) ]; then
                problems+=("macro report $((i + 1)) came $gap ms after the one before, expected $want ms (-20/+$tolerance_ms)")
            fi
        elif [ $i -eq 0 ] && [ -n "$press_us" ] && [ -n "${feature_us[k]:-}" ]; then
            latency=$(((feature_us[k] - ${press_us% *} + 500) / 1000))
            line+="  +$latency ms after the press"
            [ $latency -le 250 ] || problems+=("the macro started $latency ms after the press")
        fi
        echo "$line"
    done
    last=$((base + ${#expected_macro[@]} - 1))
    if [ -n "${feature_us[last]:-}" ]; then
        total_want=0
        for want in "${expected_gaps[@]}"; do total_want=$((total_want + want)); done
        total=$(((feature_us[last] - feature_us[base] + 500) / 1000))
        echo "  whole macro: $total ms (step delays and releases: $total_want ms)"
        if [ $total -lt $((total_want - tolerance_ms)) ] || [ $total -gt $((total_want + 60)) ]; then
            problems+=("the macro took $total ms, expected $total_want ms (-$tolerance_ms/+60)")
        fi
    fi
    [ "$(field macro)" = seen ] || problems+=("the macro did not arrive in time ($(field macro))")
    total_expected=$((base + ${#expected_macro[@]}))
else
    echo "  (macro reports not checked yet: macro playback is still to land)"
    total_expected=$base
fi
if [ ${#feature_hex[@]} -ne "$total_expected" ]; then
    problems+=("the mouse received ${#feature_hex[@]} feature reports, expected $total_expected")
fi
after_unplug=$(sed -n '/"event":"unplug"/,$p' <<<"$simlog" | grep -c '"event":"feature"')
[ "$after_unplug" -eq 0 ] || problems+=("$after_unplug feature reports after the unplug")
grep -q '"event":"unplug"' <<<"$simlog" || problems+=("the mouse was never unplugged")

echo "== program after the unplug"
echo "  exit status $(field app_exit)"
[ "$(field app_exit)" = 0 ] || problems+=("the program's exit status after the unplug is $(field app_exit), expected 0")

echo "guest test: $((SECONDS - started)) s in all"
if [ ${#problems[@]} -gt 0 ]; then
    printf '  - %s\n' "${problems[@]}"
    fail "${#problems[@]} problem(s)"
fi
echo "PASS"

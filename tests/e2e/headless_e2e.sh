#!/usr/bin/env bash
# End-to-end runs of `ZEL_GMouse --headless` against the virtual mouse.
# Usage: headless_e2e.sh SCENARIO PROGRAM SIMULATOR
#   PROGRAM    the built ZEL_GMouse; its whole folder is copied to a temporary place first, so
#              a run proves the folder works wherever it lies
#   SIMULATOR  the built zel-mouse-sim
# Scenarios: upload-unplug, upload-sigterm, no-mouse-en, no-mouse-cn, unplugged-at-start.
# Every wait is bounded; a failure prints what was seen and exits non-zero.
set -u

scenario=$1
program=$2
simulator=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/zel-e2e-XXXXXX")
sim_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    [ -n "$sim_pid" ] && kill -KILL "$sim_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*" >&2
    for f in "$work/sim.log" "$work/app.err" "$work/sim.err"; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# wait_until SECONDS COMMAND...: polls COMMAND every 20 ms until it succeeds or time runs out.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.02
    done
}

app="$work/app"
cp -a "$(dirname "$program")" "$app" || fail "cannot copy the program folder"
exe="$app/$(basename "$program")"
log="$work/sim.log"
socket="$work/mouse.sock"

# The reset defaults as the current profile (and nothing else in the file).
write_config() {
    cat > "$app/config.ini" <<INI
[Init]
CurConfig=1
VER_SEL=$1
[Config1]
K0=1
K1=2
K2=3
K3=4
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
}

# The hex of every feature report the mouse received, in order.
features() {
    grep -E '"event" *: *"feature"' "$log" | sed -E 's/.*"hex" *: *"([0-9a-f]*)".*/\1/'
}
feature_count() { features | wc -l; }
has_features() { [ "$(feature_count)" -ge "$1" ]; }
log_has() { grep -qE "\"event\" *: *\"$1\"" "$log"; }

start_simulator() {
    "$simulator" serve --socket "$socket" --log "$log" "$@" 2>"$work/sim.err" &
    sim_pid=$!
    wait_until 10 test -S "$socket" || fail "the simulator did not open its socket"
}

# Starts the program detached from this shell's job control; the environment keeps the
# desktop's real pointer settings out of reach.
start_program() {
    ZEL_GMOUSE_SIM="$1" XDG_CURRENT_DESKTOP="" "$exe" --headless 2>"$work/app.err" &
    app_pid=$!
}

# True once the process has ended (gone, or a zombie waiting for `wait`).
ended() { [ ! -e "/proc/$1" ] || grep -qE '^[0-9]+ \(.*\) Z' "/proc/$1/stat" 2>/dev/null; }

# wait_exit SECONDS: waits for the program to end and sets `status`.
wait_exit() {
    wait_until "$1" ended "$app_pid" || fail "the program did not end"
    wait "$app_pid"
    status=$?
    app_pid=""
}

expected_upload="0710010100000000
0710020200000000
0710030300000000
0710040400000000
0710050500000000
0710060600000000
0711000000000000
070940480f000000
070940790f000000
070940da0f000000
070940eb0f000000
07137f100f000000
0712000600000000"

upload_or_end() { has_features 13 || ended "$app_pid"; }

check_upload() {
    wait_until 10 upload_or_end || fail "the upload did not arrive"
    ended "$app_pid" && fail "the program ended before the upload was checked"
    sleep 0.2  # anything sent after the upload would show up now
    local got
    got=$(features)
    [ "$got" = "$expected_upload" ] || fail "upload sequence differs:
$got"
    grep -qi '^CurConfig=1' "$app/config.ini" || fail "CurConfig not written"
    grep -qi '^\[Config6\]' "$app/config.ini" || fail "profile 6 not written"
}

case "$scenario" in
upload-unplug)
    write_config 1
    start_simulator
    start_program "$socket"
    check_upload
    "$simulator" send --socket "$socket" unplug || fail "unplug command failed"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after unplug, expected 0"
    after=$(sed -n '/"event" *: *"unplug"/,$p' "$log" | grep -cE '"event" *: *"feature"')
    [ "$after" -eq 0 ] || fail "$after feature reports after the unplug"
    [ "$(feature_count)" -eq 13 ] || fail "reports besides the upload were sent"
    ;;
upload-sigterm)
    write_config 1
    start_simulator
    start_program "$socket"
    check_upload
    kill -TERM "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM, expected 0"
    sleep 0.1
    got=$(features)
    [ "$got" = "$expected_upload
0720000000000000" ] || fail "expected the upload and then the shutdown report:
$got"
    ;;
no-mouse-en | no-mouse-cn)
    if [ "$scenario" = no-mouse-en ]; then
        write_config 1
        message='Please plug-in【KV270 Gaming Mouse】USB Mouse'
    else
        write_config 0
        message='Por favor inserte el【KV270 Gaming Mouse】'
    fi
    # No simulator is listening on this socket.
    start_program "$work/absent.sock"
    wait_exit 10
    [ "$status" -eq 1 ] || fail "exit status $status without a mouse, expected 1"
    grep -qF "$message" "$work/app.err" || fail "message '$message' not on standard error"
    grep -qi 'Config6' "$app/config.ini" && fail "the configuration was written without a mouse"
    ;;
unplugged-at-start)
    write_config 1
    start_simulator --unplugged
    start_program "$socket"
    wait_exit 10
    [ "$status" -eq 1 ] || fail "exit status $status with the mouse unplugged, expected 1"
    grep -qF 'Please plug-in【KV270 Gaming Mouse】USB Mouse' "$work/app.err" ||
        fail "no plug-in message"
    [ "$(feature_count)" -eq 0 ] || fail "reports reached an unplugged mouse"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"

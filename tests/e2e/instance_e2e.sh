#!/usr/bin/env bash
# One program per user across the window and --headless, against the virtual mouse on an X
# server of its own.
# Usage: instance_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios:
#   window-then-headless   the headless start ends at once with a line on standard error
#   headless-then-window   the headless instance steps aside (no shutdown report) and the
#                          window takes the mouse
#   headless-then-headless the second headless start ends at once
#   open-runtime-folder    XDG_RUNTIME_DIR with mode 0755: both starts warn and meet in the
#                          replacement folder, so the second still ends; zel-gmousectl finds
#                          the first there too
#   no-private-folder      no private place at all: the start is refused with the reason
#   silent-clients         clients that connect and say nothing: zel-gmousectl is answered
#                          and an unplug is followed long before they are given up
#   busy                   32 connections that say nothing, kept up: a command past them is
#                          told at once that the program is busy and nothing was done (status
#                          3), and nothing is written
#   long-runtime-path      a runtime folder too long for a socket: the program says it cannot
#                          listen and zel-gmousectl says at once that it takes no commands
#   no-mouse-box           the window's "Please plug-in" box is up: zel-gmousectl is told at
#                          once that the program is running, but not taking commands
#   three-runtime-folders  an ordinary user's headless starts with a private, an open and no
#                          XDG_RUNTIME_DIR: one runs, and one click types the macro once
# Each ends with exactly one program attached: one reader and one writer on the mouse.
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed).
set -u

scenario=$1
program=$2
simulator=$3
source "$(dirname "$0")/e2e_common.sh"
require_tools Xvfb xdotool
[ "$scenario" = silent-clients ] && require_tools python3
[ "$scenario" = busy ] && require_tools python3

second_pid=""
trap '[ -n "$second_pid" ] && kill -KILL "$second_pid" 2>/dev/null; cleanup' EXIT
start_xvfb
if [ "$scenario" = no-mouse-box ]; then start_simulator --unplugged; else start_simulator; fi
ctl="$app/zel-gmousectl"
run_ctl() { ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" "$ctl" "$@"; }

start_window() {
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb "$exe" 2>>"$work/app.err" &
}
start_headless() {
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" "$exe" --headless 2>>"$work/app.err" &
}
mouse_state() { "$simulator" send --socket "$socket" state; }
state_field() { mouse_state | sed -E "s/.*\"$1\":([0-9a-z]+).*/\1/"; }
one_attached() { [ "$(state_field readers)" = 1 ] && [ "$(state_field writers)" = 1 ]; }
# wait_second_exit SECONDS: the second start ends; sets `second_status`.
wait_second_exit() {
    wait_until "$1" ended "$second_pid" || fail "the second start did not end"
    wait "$second_pid"
    second_status=$?
    second_pid=""
}

case "$scenario" in
window-then-headless)
    start_window
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $start_count 10
    start_headless
    second_pid=$!
    wait_second_exit 10
    [ "$second_status" -eq 0 ] || fail "the headless start exited $second_status, expected 0"
    grep -q "already running" "$work/app.err" || fail "the headless start said nothing"
    sleep 0.3
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    [ "$(feature_count)" -eq $start_count ] || fail "the headless start sent reports"
    ended "$app_pid" && fail "the window ended"
    ;;
headless-then-window)
    start_headless
    app_pid=$!
    wait_features $start_count 10
    start_window
    second_pid=$!
    wait_exit 10
    [ "$status" -eq 0 ] || fail "the headless instance exited $status, expected 0"
    app_pid=$second_pid
    second_pid=""
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $((2 * start_count)) 10
    sleep 0.3
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    features | grep -q '^0720' && fail "the headless instance sent the shutdown report"
    [ "$(state_field shutdowns)" = 0 ] || fail "the mouse was shut down"
    ended "$app_pid" && fail "the window ended"
    ;;
headless-then-headless)
    start_headless
    app_pid=$!
    wait_features $start_count 10
    start_headless
    second_pid=$!
    wait_second_exit 10
    [ "$second_status" -eq 0 ] || fail "the second start exited $second_status, expected 0"
    grep -q "already running" "$work/app.err" || fail "the second start said nothing"
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    ended "$app_pid" && fail "the first instance ended"
    ;;
open-runtime-folder)
    chmod 755 "$XDG_RUNTIME_DIR"
    start_headless
    app_pid=$!
    wait_features $start_count 10
    start_headless
    second_pid=$!
    wait_second_exit 10
    [ "$second_status" -eq 0 ] || fail "the second start exited $second_status, expected 0"
    grep -q "already running" "$work/app.err" || fail "the second start found nobody"
    [ "$(grep -c 'warning: XDG_RUNTIME_DIR .* is not private' "$work/app.err")" -eq 2 ] ||
        fail "the starts did not warn"
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    # The tool meets the program in the replacement: the program writes, nobody else attaches.
    run_ctl set --profile 2 fire-interval=72 >/dev/null 2>"$work/ctl.err" ||
        fail "set failed: $(cat "$work/ctl.err")"
    grep -q "warning: XDG_RUNTIME_DIR" "$work/ctl.err" || fail "the tool did not warn"
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "another program opened the mouse"
    ended "$app_pid" && fail "the first instance ended"
    ;;
no-private-folder)
    # Not private, and the replacement's name taken by a link.
    mkdir -m 755 "$work/open"
    mkdir -p "$work/tmp" "$work/elsewhere"
    ln -s "$work/elsewhere" "$work/tmp/zel-gmouse-$(id -u)"
    XDG_RUNTIME_DIR="$work/open" TMPDIR="$work/tmp" start_headless
    app_pid=$!
    wait_exit 10
    [ "$status" -eq 1 ] || fail "the start exited $status, expected 1"
    grep -q "set XDG_RUNTIME_DIR" "$work/app.err" || fail "no reason given"
    [ "$(feature_count)" -eq 0 ] || fail "the refused start used the mouse"
    XDG_RUNTIME_DIR="$work/open" TMPDIR="$work/tmp" run_ctl set --profile 2 fire-interval=72 \
        2>"$work/ctl.err" && fail "the tool ran without the lock"
    grep -q "set XDG_RUNTIME_DIR" "$work/ctl.err" || fail "the tool gave no reason"
    ;;
silent-clients)
    start_headless
    app_pid=$!
    wait_features $start_count 10
    # Ten clients that connect and never write, kept open until this script ends.
    python3 -c '
import socket, sys, time
clients = []
for _ in range(10):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.connect(sys.argv[1])
    clients.append(s)
print("connected", flush=True)
time.sleep(60)
' "$XDG_RUNTIME_DIR/ZEL_GMouse.socket" >"$work/silent.out" &
    silent_pid=$!
    trap '[ -n "$second_pid" ] && kill -KILL "$second_pid" 2>/dev/null; kill "$silent_pid" 2>/dev/null; cleanup' EXIT
    wait_until 5 grep -qs connected "$work/silent.out" || fail "the silent clients did not connect"
    # Each silent client is given 2 s, so a program that waited for them in turn would answer
    # after 20 s; within 10 s, it came past them (the slack is for a loaded machine).
    run_ctl show >/dev/null 2>"$work/ctl.err" & ctl_pid=$!
    wait_until 10 ended "$ctl_pid" || fail "zel-gmousectl waited behind the silent clients"
    wait "$ctl_pid" || fail "show failed: $(cat "$work/ctl.err")"
    send_mouse unplug
    wait_until 10 ended "$app_pid" || fail "the unplug waited behind the silent clients"
    ;;
busy)
    start_headless
    app_pid=$!
    wait_features 13 10
    # As many silent clients as the program waits for at once; one it gives up is replaced at
    # once, so that they hold every place until this script ends.
    python3 -c '
import selectors, socket, sys, time
path = sys.argv[1]
selector = selectors.DefaultSelector()
def connect():
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.connect(path)
    selector.register(s, selectors.EVENT_READ)
for _ in range(32):
    connect()
print("connected", flush=True)
end = time.monotonic() + 80
while time.monotonic() < end:
    for key, _ in selector.select(timeout=1):
        selector.unregister(key.fileobj)
        key.fileobj.close()
        connect()
' "$XDG_RUNTIME_DIR/ZEL_GMouse.socket" >"$work/silent.out" &
    silent_pid=$!
    trap '[ -n "$second_pid" ] && kill -KILL "$second_pid" 2>/dev/null; kill "$silent_pid" 2>/dev/null; cleanup' EXIT
    wait_until 5 grep -qs connected "$work/silent.out" || fail "the silent clients did not connect"
    config="$app/config.ini"
    fire() { sed -n '/^\[Config2\]/,/^\[/s/^FIRE_TIME=//p' "$config" | tr -d '\r'; }
    # A command that slips in while a silent client is replaced is simply carried out; one
    # that comes past the full places is turned away.
    turned_away=""
    for value in $(seq 60 80); do
        run_ctl set --profile 2 "fire-interval=$value" >/dev/null 2>"$work/ctl.err" & ctl_pid=$!
        wait_until 10 ended "$ctl_pid" || fail "zel-gmousectl waited behind the silent clients"
        wait "$ctl_pid"
        status=$?
        if [ "$status" -eq 3 ]; then
            grep -q "busy.*nothing was done" "$work/ctl.err" || fail "unclear: $(cat "$work/ctl.err")"
            [ "$(fire)" != "$value" ] || fail "the command turned away was carried out"
            turned_away=$value
            break
        fi
        [ "$status" -eq 0 ] || fail "set exited $status: $(cat "$work/ctl.err")"
    done
    [ -n "$turned_away" ] || fail "no command was turned away past 32 silent clients"
    kill "$silent_pid" 2>/dev/null
    wait "$silent_pid" 2>/dev/null
    # The places free again, the same command is carried out.
    run_ctl set --profile 2 "fire-interval=$turned_away" 2>"$work/ctl.err" ||
        fail "set after the silent clients failed: $(cat "$work/ctl.err")"
    [ "$(fire)" = "$turned_away" ] || fail "FIRE_TIME of Config2 is $(fire)"
    ;;
long-runtime-path)
    deep="$XDG_RUNTIME_DIR/$(printf 'd%.0s' {1..100})"
    mkdir -m 700 "$deep"
    XDG_RUNTIME_DIR="$deep" start_headless
    app_pid=$!
    wait_features $start_count 10
    grep -q "zel-gmousectl cannot reach this program" "$work/app.err" ||
        fail "the program did not say that it cannot listen"
    XDG_RUNTIME_DIR="$deep" run_ctl show >/dev/null 2>"$work/ctl.err" & ctl_pid=$!
    wait_until 2 ended "$ctl_pid" || fail "zel-gmousectl waited for an answer that cannot come"
    wait "$ctl_pid" && fail "show succeeded without the program"
    grep -q "running, but not taking commands" "$work/ctl.err" || fail "unclear: $(cat "$work/ctl.err")"
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "the tool opened the mouse"
    ;;
three-runtime-folders)
    # One ordinary user, three logins beside each other: a private runtime folder (the
    # desktop), one others may enter (replaced by a private one), none at all (`su`, `ssh`).
    [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null ||
        { echo "SKIP: needs root and setpriv to run as another user"; exit 77; }
    chmod 755 "$work" && chmod 666 "$socket"
    write_config 1 K3=41  # button 4 plays the shipped user macro 0 (Shift+H, e, l, l, o)
    chown -R 65534:65534 "$app"
    mkdir -m 700 "$work/home" "$work/run-private"
    mkdir -m 755 "$work/run-open"
    chown 65534:65534 "$work/home" "$work/run-private" "$work/run-open"
    pids=()
    for runtime in "$work/run-private" "$work/run-open" ""; do
        setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$work/home" \
            PATH=/usr/bin:/bin ${runtime:+XDG_RUNTIME_DIR="$runtime"} ZEL_GMOUSE_SIM="$socket" \
            XDG_CURRENT_DESKTOP="" "$exe" --headless 2>>"$work/app.err" &
        pids+=($!)
    done
    trap 'kill -KILL "${pids[@]}" 2>/dev/null; cleanup' EXIT
    two_ended() {
        local pid n=0
        for pid in "${pids[@]}"; do ended "$pid" && n=$((n + 1)); done
        [ "$n" -ge 2 ]
    }
    wait_until 20 two_ended || fail "more than one program runs for the user"
    wait_features $start_count 10
    sleep 0.5
    running=()
    for pid in "${pids[@]}"; do ended "$pid" || running+=("$pid"); done
    [ "${#running[@]}" -eq 1 ] || fail "${#running[@]} programs run, expected 1"
    [ "$(grep -c "already running" "$work/app.err")" -eq 2 ] || fail "the other starts said nothing"
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    send_mouse click 4
    # The pass ends with the release of every button, as the start began.
    wait_until 10 eval '[ "$(features | grep -c "^071600ff")" -ge 2 ]' ||
        fail "the macro did not play"
    sleep 1  # a second or third player would have typed by now
    typed=$(features | grep -c '^0715e10b')
    [ "$typed" -eq 1 ] || fail "one click typed Shift+H $typed times"
    app_pid=${running[0]}
    kill -TERM "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "the running program exited $status after SIGTERM"
    ;;
no-mouse-box)
    start_window
    app_pid=$!
    box() { xdotool search --onlyvisible --name '^ZEL_GMouse$' 2>/dev/null | head -1 | grep -q .; }
    wait_until 60 box || fail "the no-mouse box did not appear"
    run_ctl show >/dev/null 2>"$work/ctl.err" & ctl_pid=$!
    wait_until 2 ended "$ctl_pid" || fail "zel-gmousectl waited while the box is up"
    wait "$ctl_pid" && fail "show succeeded while the box is up"
    grep -q "running, but not taking commands" "$work/ctl.err" || fail "unclear: $(cat "$work/ctl.err")"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"

#!/usr/bin/env bash
# One program per user across the window and --headless, against the virtual mouse on an X
# server of its own.
# Usage: instance_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios:
#   window-then-headless   the headless start ends at once with a line on standard error
#   headless-then-window   the headless instance steps aside (no shutdown report) and the
#                          window takes the mouse
#   headless-then-headless the second headless start ends at once
# Each ends with exactly one program attached: one reader and one writer on the mouse.
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed).
set -u

scenario=$1
program=$2
simulator=$3
source "$(dirname "$0")/e2e_common.sh"
require_tools Xvfb xdotool

second_pid=""
trap '[ -n "$second_pid" ] && kill -KILL "$second_pid" 2>/dev/null; cleanup' EXIT
start_xvfb
start_simulator

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
    wait_until 20 window_id >/dev/null || fail "the window did not appear"
    wait_features 13 10
    start_headless
    second_pid=$!
    wait_second_exit 10
    [ "$second_status" -eq 0 ] || fail "the headless start exited $second_status, expected 0"
    grep -q "already running" "$work/app.err" || fail "the headless start said nothing"
    sleep 0.3
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    [ "$(feature_count)" -eq 13 ] || fail "the headless start sent reports"
    ended "$app_pid" && fail "the window ended"
    ;;
headless-then-window)
    start_headless
    app_pid=$!
    wait_features 13 10
    start_window
    second_pid=$!
    wait_exit 10
    [ "$status" -eq 0 ] || fail "the headless instance exited $status, expected 0"
    app_pid=$second_pid
    second_pid=""
    wait_until 20 window_id >/dev/null || fail "the window did not appear"
    wait_features 26 10
    sleep 0.3
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    features | grep -q '^0720' && fail "the headless instance sent the shutdown report"
    [ "$(state_field shutdowns)" = 0 ] || fail "the mouse was shut down"
    ended "$app_pid" && fail "the window ended"
    ;;
headless-then-headless)
    start_headless
    app_pid=$!
    wait_features 13 10
    start_headless
    second_pid=$!
    wait_second_exit 10
    [ "$second_status" -eq 0 ] || fail "the second start exited $second_status, expected 0"
    grep -q "already running" "$work/app.err" || fail "the second start said nothing"
    one_attached || fail "not exactly one program attached: $(mouse_state)"
    ended "$app_pid" && fail "the first instance ended"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"

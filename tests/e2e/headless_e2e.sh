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

source "$(dirname "$0")/e2e_common.sh"

expected_upload=$default_profile_upload

upload_or_end() { has_features $start_count || ended "$app_pid"; }

check_upload() {
    wait_until 30 upload_or_end || fail "the upload did not arrive"
    ended "$app_pid" && fail "the program ended before the upload was checked"
    sleep 0.2  # anything sent after the upload would show up now
    local got
    got=$(features)
    [ "$got" = "$start_release
$expected_upload" ] || fail "the release and upload sequence differs:
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
    [ "$(feature_count)" -eq $start_count ] || fail "reports besides the start's were sent"
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
    [ "$got" = "$start_release
$expected_upload
0720000000000000" ] || fail "expected the release, the upload and then the shutdown report:
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

#!/usr/bin/env bash
# End-to-end runs of macro playback: `ZEL_GMouse --headless` against the virtual mouse, with
# a button whose function runs on the host.
# Usage: playback_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios: play-click, hold-release, sigterm-while-playing, unplug-while-playing,
# sighup-while-holding, sigquit-while-holding, window-sighup-while-holding (the window program,
# on an X server of its own), sigkill-then-start, missing-macro-files.
# Every wait is bounded; a failure prints what was seen and exits non-zero.
set -u

scenario=$1
program=$2
simulator=$3
source "$(dirname "$0")/e2e_common.sh"

# macro_value NAME REPEAT_ON REPEAT_COUNT [VK:ACTION:DELAY ...]: one macro as the macro file
# stores it: 1064 groups of three digits (name in UTF-16LE, header, 255 steps).
macro_value() {
    local name=$1 repeat_on=$2 count=$3
    shift 3
    local -a g
    local i
    for ((i = 0; i < 1064; i++)); do g[i]=0; done
    for ((i = 0; i < ${#name} && i < 19; i++)); do g[2 * i]=$(printf '%d' "'${name:i:1}"); done
    g[40]=$repeat_on
    g[41]=$((count & 255))
    g[42]=$((count >> 8))
    g[43]=$#
    local k=0 step vk action delay
    for step in "$@"; do
        IFS=: read -r vk action delay <<<"$step"
        g[44 + 4 * k]=$vk
        g[45 + 4 * k]=$action
        g[46 + 4 * k]=$((delay & 255))
        g[47 + 4 * k]=$((delay >> 8))
        k=$((k + 1))
    done
    printf '%03d' "${g[@]}"
}

# write_macros FILE VALUE...: a macro file holding the given macros.
write_macros() {
    local file=$1
    shift
    {
        printf '[Macros]\nmacroNum=%d\n' $#
        local i=0 value
        for value in "$@"; do
            printf '%d=%s\n' "$i" "$value"
            i=$((i + 1))
        done
    } > "$file"
}

# The upload of the reset defaults with button 4 (K3) on a host function: device code 0.
expected_upload="0710010100000000
0710020200000000
0710030300000000
0710040000000000
0710050500000000
0710060600000000
0711000000000000
070940480f000000
070940790f000000
070940da0f000000
070940eb0f000000
07137f100f000000
0712000600000000"
key_a=65  # virtual-key codes in the file; the mouse gets HID usages (A = 04, B = 05)
key_b=66
key_h=72
key_lshift=160  # HID usage E1

check_upload() {
    wait_features $start_count 10
    local got
    got=$(features | head -n $start_count)
    [ "$got" = "$start_release
$expected_upload" ] || fail "the release and upload sequence differs:
$got"
}

# Feature reports after the start's release and upload.
played() { features | tail -n +$((start_count + 1)); }
played_times() { feature_times | tail -n +$((start_count + 1)); }

# still_after SECONDS: no feature report arrives for that long.
still_after() {
    local before
    before=$(feature_count)
    sleep "$1"
    [ "$(feature_count)" -eq "$before" ] || fail "reports kept coming: $(played)"
}

mouse_state() { "$simulator" send --socket "$socket" state; }
# One member of the mouse's state, as its JSON text ([0,0,...] for a list).
mouse_state_field() { mouse_state | sed -E "s/.*\"$1\":(\[[^]]*\]|[0-9a-z]+).*/\1/"; }

sigterm_and_check_exit() {
    kill -TERM "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM, expected 0"
}

case "$scenario" in
play-click)
    write_config 1 K3=41
    write_macros "$app/Macro_EN.dat" \
        "$(macro_value AB 0 1 $key_a:1:15 $key_b:1:30 $key_b:2:15 $key_a:2:20)"
    start_simulator
    start_program "$socket"
    check_upload
    send_mouse click 4
    wait_features $((start_count + 6)) 10
    still_after 0.5
    got=$(played)
    [ "$got" = "0715040000000000
0715040500000000
0715040000000000
0715000000000000
071600ff00000000
0715000000000000" ] || fail "macro reports differ:
$got"
    events input | grep -q '"button" *: *4' || fail "the mouse did not report button 4"
    # Each report leaves no sooner than the delays before it after the press (ReleaseAll
    # waits 10 ms before each of its two reports). Measured from the press, since the mouse
    # may stamp any one report late; k ms of slack for report k, which may catch up 1 ms a
    # step after a late wake-up, and 1 ms for the time stamps.
    press_t=$(events input | grep '"source" *: *"press"' | head -n 1 |
        sed -E 's/.*"t_us" *: *([0-9]+).*/\1/')
    mapfile -t t < <(played_times)
    earliest=(0 15 45 60 90 100)
    for k in 0 1 2 3 4 5; do
        after=$((t[k] - press_t))
        [ $after -ge $(((earliest[k] - k - 1) * 1000)) ] ||
            fail "report $k came ${after} us after the press, expected ${earliest[k]} ms"
    done
    sigterm_and_check_exit
    [ "$(features | tail -n 1)" = "0720000000000000" ] || fail "no shutdown report at the end"
    [ "$(feature_count)" -eq $((start_count + 7)) ] || fail "unexpected reports: $(played)"
    ;;
hold-release)
    write_config 1 K3=41 MACRO_MODE2=1
    write_macros "$app/Macro_EN.dat" "$(macro_value Hold 0 1 $key_a:1:15 $key_a:2:15)"
    start_simulator
    start_program "$socket"
    check_upload
    send_mouse press 4
    wait_features $((start_count + 8)) 10  # two passes at least
    send_mouse release 4
    sleep 0.2  # the pass in progress ends
    still_after 0.5
    n=$(played | wc -l)
    [ $((n % 4)) -eq 0 ] || fail "$n reports: not whole passes: $(played)"
    pass="0715040000000000
0715000000000000
071600ff00000000
0715000000000000"
    expected=$pass
    for ((i = 4; i < n; i += 4)); do expected="$expected
$pass"; done
    [ "$(played)" = "$expected" ] || fail "passes differ: $(played)"
    sigterm_and_check_exit
    ;;
sigterm-while-playing | unplug-while-playing)
    write_config 1 K3=41
    write_macros "$app/Macro_EN.dat" "$(macro_value Long 0 1 $key_a:1:5000 $key_a:2:15)"
    start_simulator
    start_program "$socket"
    check_upload
    send_mouse click 4
    wait_features $((start_count + 1)) 10
    sleep 0.1
    if [ "$scenario" = sigterm-while-playing ]; then
        # The shutdown cuts the 5 s delay short: every key and button is released, then
        # the shutdown report.
        sigterm_and_check_exit
        got=$(played)
        [ "$got" = "0715040000000000
071604ff00000000
0715000000000000
0720000000000000" ] || fail "expected A down, the release of all and the shutdown report:
$got"
        mapfile -t t < <(played_times)
        [ $((t[3] - t[0])) -lt 4000000 ] || fail "the shutdown waited for the macro's delay"
    else
        send_mouse unplug
        wait_exit 5
        [ "$status" -eq 0 ] || fail "exit status $status after unplug, expected 0"
        after=$(sed -n '/"event" *: *"unplug"/,$p' "$log" | grep -cE '"event" *: *"feature"')
        [ "$after" -eq 0 ] || fail "$after feature reports after the unplug"
    fi
    ;;
sighup-while-holding | sigquit-while-holding | window-sighup-while-holding)
    # Left Shift + H held for 5 s: a closed terminal (SIGHUP) or SIGQUIT ends the program, the
    # window program as the headless one, through its shutdown, which lets go of both before the
    # shutdown report.
    write_config 1 K3=41
    write_macros "$app/Macro_EN.dat" "$(macro_value ShiftH 0 1 $key_lshift:1:15 $key_h:1:5000 \
        $key_h:2:15 $key_lshift:2:15)"
    start_simulator
    if [ "$scenario" = window-sighup-while-holding ]; then
        require_tools Xvfb xdotool
        start_xvfb
        ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb "$exe" \
            2>"$work/app.err" &
        app_pid=$!
        wait_until 60 window_id >/dev/null || fail "the window did not appear"
    else
        start_program "$socket"
    fi
    check_upload
    send_mouse click 4
    wait_features $((start_count + 2)) 10
    sleep 0.1
    signal=${scenario#window-}
    signal=${signal%%-*}
    kill -"${signal^^}" "$app_pid"
    wait_exit 10
    [ "$status" -eq 0 ] || fail "exit status $status after ${signal^^}, expected 0"
    got=$(played)
    [ "$got" = "0715e10000000000
0715e10b00000000
0716e1ff00000000
0715000000000000
0720000000000000" ] || fail "expected Shift and H down, the release of all and the shutdown report:
$got"
    [ "$(mouse_state_field keys)" = "[0,0,0,0,0,0]" ] || fail "keys stay held: $(mouse_state)"
    [ "$scenario" = window-sighup-while-holding ] ||
        grep -qxF "ZEL_GMouse --headless: ended: signal ${signal^^}" "$work/app.err" ||
        fail "no end line naming ${signal^^}"
    ;;
sigkill-then-start)
    # A run killed while Left Shift + H are held cannot let go of them; the next start does,
    # before its upload.
    write_config 1 K3=41
    write_macros "$app/Macro_EN.dat" "$(macro_value ShiftH 0 1 $key_lshift:1:15 $key_h:1:5000 \
        $key_h:2:15 $key_lshift:2:15)"
    start_simulator
    start_program "$socket"
    check_upload
    send_mouse click 4
    wait_features $((start_count + 2)) 10
    kill -KILL "$app_pid"
    wait_exit 10
    [ "$(mouse_state_field keys)" = "[225,11,0,0,0,0]" ] ||
        fail "the killed run did not leave Shift + H held: $(mouse_state)"
    before=$(feature_count)
    start_program "$socket"
    wait_features $((before + start_count)) 10
    got=$(features | tail -n +$((before + 1)) | head -n $start_count)
    [ "$got" = "$start_release
$expected_upload" ] || fail "the new start did not release before its upload:
$got"
    [ "$(mouse_state_field keys)" = "[0,0,0,0,0,0]" ] || fail "keys stay held: $(mouse_state)"
    [ "$(mouse_state_field mouse_buttons)" = 255 ] || fail "buttons stay held: $(mouse_state)"
    sigterm_and_check_exit
    ;;
missing-macro-files)
    # No macros: the message on standard error, an empty table; other host functions work.
    write_config 1 K3=41 K4=24
    rm -f "$app/Macro_EN.dat" "$app/constMacro.dat"
    start_simulator
    start_program "$socket"
    expected_upload=$(echo "$expected_upload" | sed 's/^0710050500000000$/0710050000000000/')
    check_upload
    wait_until 5 grep -qF 'Perfil no encontrado' "$work/app.err" ||
        fail "no 'Perfil no encontrado' on standard error"
    send_mouse click 4
    send_mouse click 5
    wait_features $((start_count + 1)) 10
    still_after 0.3
    [ "$(played)" = "071700e900000000" ] || fail "expected only the volume key: $(played)"
    sigterm_and_check_exit
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"

#!/usr/bin/env bash
# End-to-end runs of zel-gmousectl against the virtual mouse, alone and with the program
# running (headless, or its window on an X server of its own).
# Usage: ctl_e2e.sh SCENARIO PROGRAM SIMULATOR
#   PROGRAM    the built ZEL_GMouse; its folder (with zel-gmousectl beside it) is copied first
# Scenarios: profile-alone, profile-headless, profile-window, set-fire-interval, bad-value,
#            json-round-trip, relative-files (the running program, started in another folder,
#            reads and writes the files named relative to the tool's folder), set-unsaved-window
#            (set refuses to drop the window's unsaved edits), import-unsaved-window (import and
#            macros import refuse to drop the window's unsaved profile and macro edits, and
#            --discard-unsaved drops them), list, list-hidraw (needs /dev/uhid
#            and root: the virtual mouse as a kernel device, listed by a user who may not open
#            its node), files (imports checked, real reasons, links written through, leftovers
#            removed, also by a command the running program carries out), no-answer (a
#            program that takes the command and closes without a reply).
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed).
set -u

scenario=$1
program=$2
simulator=$3
if [ "$scenario" = list-hidraw ]; then
    [ -c /dev/uhid ] && [ -w /dev/uhid ] || { echo "SKIP: no writable /dev/uhid"; exit 77; }
    [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null ||
        { echo "SKIP: needs root and setpriv to list as another user"; exit 77; }
fi
source "$(dirname "$0")/e2e_common.sh"
[ "$scenario" = profile-window ] && require_tools Xvfb xdotool import
[ "$scenario" = set-unsaved-window ] && require_tools Xvfb xdotool import
[ "$scenario" = import-unsaved-window ] && require_tools Xvfb xdotool
[ "$scenario" = no-answer ] && require_tools python3

ctl="$app/zel-gmousectl"
[ -x "$ctl" ] || fail "zel-gmousectl is not beside the program"
run_ctl() { ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" "$ctl" "$@"; }
set_current() { sed -i "s/^CurConfig=.*/CurConfig=$1/" "$app/config.ini"; }
current_in_file() { sed -n 's/^CurConfig=//p' "$app/config.ini" | tr -d '\r'; }
# value SECTION KEY: the value of KEY in [SECTION] of config.ini.
value() {
    awk -F= -v section="[$1]" -v key="$2" '
        { sub(/\r$/, "") } /^\[/ { current = $0 } current == section && $1 == key { print $2; exit }
    ' "$app/config.ini"
}
mouse_state() { "$simulator" send --socket "$socket" state; }
state_field() { mouse_state | sed -E "s/.*\"$1\":([0-9a-z]+).*/\1/"; }

# The reports the program itself sends for profile 3: its start-up upload with CurConfig=3, in
# a folder and on a virtual mouse of their own.
reference_upload() {
    local ref="$work/ref"
    cp -a "$app" "$ref"
    sed -i "s/^CurConfig=.*/CurConfig=3/" "$ref/config.ini"
    "$simulator" serve --socket "$work/ref.sock" --log "$work/ref.log" 2>/dev/null &
    local ref_sim=$!
    wait_until 30 test -S "$work/ref.sock" || fail "the reference simulator did not start"
    mkdir -m 700 "$work/ref-xdg"
    ZEL_GMOUSE_SIM="$work/ref.sock" XDG_CURRENT_DESKTOP="" XDG_RUNTIME_DIR="$work/ref-xdg" \
        "$ref/$(basename "$program")" --headless 2>/dev/null &
    local ref_app=$!
    ref_count() { [ "$(grep -c '"event":"feature"' "$work/ref.log")" -ge $start_count ]; }
    wait_until 30 ref_count || fail "the reference upload did not arrive"
    kill -TERM "$ref_app"
    "$simulator" send --socket "$work/ref.sock" quit >/dev/null
    wait "$ref_app" "$ref_sim" 2>/dev/null
    # The start-up upload only, without the start's release before it and the shutdown report
    # the end may have added.
    grep '"event":"feature"' "$work/ref.log" | head -$start_count | tail -13 |
        sed -E 's/.*"hex" *: *"([0-9a-f]*)".*/\1/'
}

# The feature reports after the first N.
features_after() { features | tail -n +$(($1 + 1)); }

check_profile3_upload() {  # features already there before the command
    local before=$1 expected got
    expected=$(cat "$work/expected")
    wait_until 20 has_features $((before + 13)) || fail "profile 3's upload did not arrive"
    sleep 0.2
    got=$(features_after "$before")
    [ "$got" = "$expected" ] || fail "profile 3's upload differs:
$got
--- expected
$expected"
    [ "$(current_in_file)" = 3 ] || fail "CurConfig is $(current_in_file), expected 3"
}

case "$scenario" in
profile-alone)
    reference_upload >"$work/expected"
    set_current 1
    start_simulator
    run_ctl profile 3 >"$work/out" 2>"$work/err" || fail "profile 3 failed: $(cat "$work/err")"
    wait_until 20 has_features 2 || fail "the tool sent nothing"
    [ "$(features | head -2)" = "$start_release" ] || fail "the tool did not release first"
    check_profile3_upload 2
    [ "$(state_field readers)" = 0 ] && [ "$(state_field writers)" = 0 ] ||
        fail "the tool left a channel open: $(mouse_state)"
    # Without a mouse: status 1 and nothing written.
    "$simulator" send --socket "$socket" unplug >/dev/null
    cp "$app/config.ini" "$work/before.ini"
    run_ctl profile 2 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || fail "profile 2 without a mouse exited $status, expected 1"
    cmp -s "$app/config.ini" "$work/before.ini" || fail "config.ini changed without a mouse"
    ;;
profile-headless)
    reference_upload >"$work/expected"
    set_current 1
    start_simulator
    start_program "$socket"
    wait_features $start_count 10
    sleep 0.2
    run_ctl profile 3 >"$work/out" 2>"$work/err" || fail "profile 3 failed: $(cat "$work/err")"
    check_profile3_upload $start_count
    # The program carried it out: nobody else opened the mouse.
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "another program opened the mouse"
    ended "$app_pid" && fail "the program ended"
    ;;
profile-window)
    reference_upload >"$work/expected"
    set_current 1
    start_xvfb
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $start_count 10
    sleep 0.5
    # The profile buttons of the main layout: profile N at (20, 56 + 44 N), 132 x 36.
    grab() {  # NAME PROFILE
        import -window "$(window_id)" -crop "132x36+20+$((56 + 44 * $2))" +repage \
            "$work/$1.rgb" 2>/dev/null
    }
    grab p1-before 1
    grab p3-before 3
    run_ctl profile 3 >"$work/out" 2>"$work/err" || fail "profile 3 failed: $(cat "$work/err")"
    check_profile3_upload $start_count
    # The repaint follows the reply: a loaded machine may take a while.
    wait_until 10 eval 'grab p3-after 3 && ! cmp -s "$work/p3-before.rgb" "$work/p3-after.rgb"' ||
        fail "the window does not show profile 3"
    grab p1-after 1
    cmp -s "$work/p1-before.rgb" "$work/p1-after.rgb" && fail "the window still shows profile 1"
    run_ctl profile 1 >/dev/null 2>"$work/err" || fail "profile 1 failed: $(cat "$work/err")"
    wait_until 10 eval 'grab p1-again 1 && cmp -s "$work/p1-before.rgb" "$work/p1-again.rgb"' ||
        fail "the window does not show profile 1 again"
    grab p3-again 3
    cmp -s "$work/p3-before.rgb" "$work/p3-again.rgb" || fail "profile 3 still looks selected"
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "another program opened the mouse"
    ;;
set-fire-interval)
    cp "$app/config.ini" "$work/before.ini"
    run_ctl set --profile 2 fire-interval=80 2>"$work/err" || fail "set failed: $(cat "$work/err")"
    [ "$(value Config2 FIRE_TIME)" = 80 ] || fail "FIRE_TIME of Config2 is $(value Config2 FIRE_TIME)"
    [ "$(value Config1 FIRE_TIME)" = "$(awk -F= '/^\[Config1\]/{s=1} s&&/^FIRE_TIME/{print $2; exit}' "$work/before.ini" | tr -d '\r')" ] ||
        fail "Config1 changed"
    # The same through a running program.
    start_simulator
    start_program "$socket"
    wait_features $start_count 10
    run_ctl set --profile 2 fire-interval=120 2>"$work/err" || fail "set failed: $(cat "$work/err")"
    [ "$(value Config2 FIRE_TIME)" = 120 ] || fail "FIRE_TIME of Config2 is $(value Config2 FIRE_TIME) with the program"
    ;;
bad-value)
    cp "$app/config.ini" "$work/before.ini"
    for args in "dpi1=12345" "--profile 2 fire-interval=80 dpi1=12345" "colour=red" \
        "led=rainbow" "button1=Forward" "dpi-level=9" "pointer-speed=0" "fire-interval=301"; do
        # shellcheck disable=SC2086
        run_ctl set $args >"$work/out" 2>"$work/err"
        status=$?
        [ "$status" -eq 2 ] || fail "set $args exited $status, expected 2"
        [ -s "$work/err" ] || fail "set $args said nothing"
        cmp -s "$app/config.ini" "$work/before.ini" || fail "set $args changed config.ini"
    done
    run_ctl set dpi1=12345 2>"$work/err"
    grep -q '7200' "$work/err" || fail "the allowed DPI values were not listed: $(cat "$work/err")"
    ;;
json-round-trip)
    # Profile 3 as JSON, given to profile 4 through set: profile 4 then shows the same.
    run_ctl show --profile 3 --json >"$work/p3.json" || fail "show failed"
    mapfile -t pairs < <(jq -r '
        (.buttons[] | "button\(.button)=\(.code)"),
        (.dpi[] | "dpi\(.level)=\(.dpi)"),
        (.dpi[] | select(.enabled | not) | "dpi\(.level)=off"),
        "dpi-level=\(.dpi_level)", "led=\(.led)", "wheel=\(.wheel)",
        "fire-interval=\(.fire_interval)", "pointer-speed=\(.pointer_speed)",
        "wheel-speed=\(.wheel_speed)", "macro-mode=\(.macro_mode)"' "$work/p3.json")
    [ "${#pairs[@]}" -ge 17 ] || fail "unexpected JSON: $(cat "$work/p3.json")"
    run_ctl set --profile 4 "${pairs[@]}" 2>"$work/err" || fail "set ${pairs[*]} failed: $(cat "$work/err")"
    run_ctl show --profile 4 --json >"$work/p4.json" || fail "show failed"
    diff <(jq -S 'del(.profile, .current)' "$work/p3.json") \
        <(jq -S 'del(.profile, .current)' "$work/p4.json") >"$work/diff" ||
        fail "profile 4 differs from profile 3: $(cat "$work/diff")"
    ;;
set-unsaved-window)
    start_xvfb
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $start_count 10
    sleep 0.3
    point_main() {  # BUTTONPOS key of the main page: the pointer rests on that button
        local x y
        read -r x y < <(awk -F'[=,]' -v key="$1" '{ sub(/\r$/, "") } /^\[/ { s = $0 }
            s == "[BUTTONPOS]" && $1 == key { print int($3 + $5 / 2), int($4 + $6 / 2); exit }' \
            "$app/skins/INI_EN/skin_main_en.ini")
        [ -n "$x" ] || fail "no button $1"
        xdotool mousemove --window "$(window_id)" "$x" "$y" && sleep 0.3
    }
    click_main() { point_main "$1" && xdotool click 1 && sleep 0.3; }
    window_picture() { import -window "$(window_id)" "$work/$1.rgb" 2>/dev/null; }
    dpi1_before=$(value Config1 DPI_SET1)
    [ "$dpi1_before" != 4 ] || fail "the test needs DPI level 1 at another step than 4"
    point_main 82  # DPI level 1 to step 4, not saved
    window_picture before-click
    xdotool click 1
    # The edit exists once the window shows it: a loaded machine may take a while.
    wait_until 10 eval 'window_picture after-click &&
        ! cmp -s "$work/before-click.rgb" "$work/after-click.rgb"' ||
        fail "the window does not show the DPI step clicked"
    cp "$app/config.ini" "$work/before.ini"
    run_ctl set fire-interval=80 >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || fail "set over unsaved edits exited $status, expected 1"
    grep -q "unsaved edits of profile 1" "$work/err" || fail "unclear: $(cat "$work/err")"
    cmp -s "$app/config.ini" "$work/before.ini" || fail "config.ini changed"
    # Another profile is taken; once saved, the profile shown is too, edits and all.
    run_ctl set --profile 2 fire-interval=88 2>"$work/err" || fail "set --profile 2 failed: $(cat "$work/err")"
    click_main 0  # Save
    wait_until 10 eval '[ "$(value Config1 DPI_SET1)" = 4 ]' || fail "Save did not store the edit"
    run_ctl set fire-interval=80 2>"$work/err" || fail "set after saving failed: $(cat "$work/err")"
    [ "$(value Config1 FIRE_TIME)" = 80 ] && [ "$(value Config1 DPI_SET1)" = 4 ] ||
        fail "Config1 is not the saved edit plus the set"
    ;;
import-unsaved-window)
    start_xvfb
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features 13 10
    sleep 0.3
    layouts="$app/skins/INI_EN"
    click_entry() {  # FILE SECTION KEY: a click at the centre of that layout entry
        local x y
        read -r x y < <(centre "$layouts/$1" "$2" "$3")
        [ -n "$x" ] || fail "no entry $3 in [$2] of $1"
        xdotool mousemove --window "$(window_id)" "$x" "$y" && sleep 0.3
        xdotool click 1 && sleep 0.4
    }
    macro_count() { sed -n 's/^macroNum=//p' "$app/Macro_EN.dat" | tr -d '\r'; }
    run_ctl export --profile 1 "$work/p1.ini" 2>"$work/err" || fail "export failed: $(cat "$work/err")"
    run_ctl macros export "$work/m.dat" 2>"$work/err" || fail "macros export failed: $(cat "$work/err")"
    # refused WORDS COMMAND...: exit status 1, the message names WORDS and the way on, and no
    # file changed.
    refused() {
        local words=$1
        shift
        cp "$app/config.ini" "$work/before.ini"
        cp "$app/Macro_EN.dat" "$work/before.dat"
        run_ctl "$@" >"$work/out" 2>"$work/err"
        status=$?
        [ "$status" -eq 1 ] || fail "$* over unsaved edits exited $status, expected 1: $(cat "$work/err")"
        grep -qF "$words" "$work/err" && grep -qF -- "--discard-unsaved" "$work/err" ||
            fail "$*: unclear: $(cat "$work/err")"
        cmp -s "$app/config.ini" "$work/before.ini" && cmp -s "$app/Macro_EN.dat" "$work/before.dat" ||
            fail "$* changed the files"
    }
    # The wheel switched in the window, not saved: the import into the profile shown is refused.
    wheel=$(value Config1 WHEEL_STATUS)
    click_entry skin_main_en.ini BUTTONPOS $((wheel == 1 ? 41 : 42))
    refused "unsaved edits of profile 1" import "$work/p1.ini"
    refused "unsaved edits of profile 1" profile 1
    # The edit is still the window's: Save stores it.
    click_entry skin_main_en.ini BUTTONPOS 0
    wait_until 10 eval '[ "$(value Config1 WHEEL_STATUS)" = $((1 - wheel)) ]' ||
        fail "the window lost the wheel switched before the import"
    run_ctl import "$work/p1.ini" 2>"$work/err" || fail "import after saving failed: $(cat "$work/err")"
    [ "$(value Config1 WHEEL_STATUS)" = "$wheel" ] || fail "the import did not store the profile"

    # A macro typed and added on the advanced page, not Set: macros import is refused.
    count=$(macro_count)
    click_entry skin_main_en.ini BUTTONPOS 10
    click_entry skin_advance_en.ini EDIT 4
    xdotool type --delay 50 Mine
    click_entry skin_advance_en.ini BUTTONPOS 2
    refused "unsaved edits of the user macros" macros import "$work/m.dat"
    refused "unsaved edits of the user macros" reset
    # Set saves the macro the window kept.
    click_entry skin_advance_en.ini BUTTONPOS 5
    wait_until 10 eval '[ "$(macro_count)" = $((count + 1)) ]' ||
        fail "the window lost the macro added before the import ($(macro_count) macros saved)"
    # Another one, not Set: --discard-unsaved drops it.
    click_entry skin_advance_en.ini EDIT 4
    xdotool key ctrl+a && xdotool type --delay 50 Again
    click_entry skin_advance_en.ini BUTTONPOS 2
    refused "unsaved edits of the user macros" macros import "$work/m.dat"
    run_ctl macros import "$work/m.dat" --discard-unsaved 2>"$work/err" ||
        fail "macros import --discard-unsaved failed: $(cat "$work/err")"
    [ "$(macro_count)" = "$count" ] || fail "the imported macros were not saved"
    run_ctl macros import "$work/m.dat" 2>"$work/err" ||
        fail "the dropped macro still counts as unsaved: $(cat "$work/err")"
    ended "$app_pid" && fail "the program ended"
    ;;
relative-files)
    start_simulator
    mkdir "$work/a" "$work/b"
    (cd "$work/a" && start_program "$socket" && echo "$app_pid" >"$work/app.pid")
    app_pid=$(cat "$work/app.pid")
    wait_features $start_count 10
    run_ctl export --profile 3 "$work/b/fps.ini" 2>"$work/err" || fail "export failed: $(cat "$work/err")"
    cd "$work/b" || fail "no folder b"
    run_ctl export --profile 2 p2.ini 2>"$work/err" || fail "export p2.ini failed: $(cat "$work/err")"
    run_ctl macros export mine.dat 2>"$work/err" || fail "macros export failed: $(cat "$work/err")"
    run_ctl import fps.ini 2>"$work/err" || fail "import fps.ini failed: $(cat "$work/err")"
    run_ctl macros import mine.dat 2>"$work/err" || fail "macros import failed: $(cat "$work/err")"
    cd "$work" || fail "no work folder"
    for file in p2.ini mine.dat; do
        [ -s "$work/b/$file" ] || fail "$file is not in the tool's folder"
        [ -e "$work/a/$file" ] && fail "$file went to the program's folder"
    done
    grep -q '^\[Config7\]' "$work/b/p2.ini" || fail "p2.ini holds no profile"
    ended "$app_pid" && fail "the program ended"
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "the tool opened the mouse itself"
    ;;
list)
    start_simulator
    run_ctl list >"$work/out" 2>"$work/err" || fail "list failed: $(cat "$work/err")"
    grep -qE "^sim:$socket	ff00:0001	read	ok$" "$work/out" || fail "no read collection: $(cat "$work/out")"
    grep -qE "^sim:$socket	ff01:0001	write	ok$" "$work/out" || fail "no write collection: $(cat "$work/out")"
    "$simulator" send --socket "$socket" unplug >/dev/null
    run_ctl list >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || fail "list without a mouse exited $status, expected 1"
    grep -q "no mouse" "$work/err" || fail "no reason given: $(cat "$work/err")"
    ;;
list-hidraw)
    "$simulator" serve --uhid --socket "$socket" --log "$log" 2>"$work/sim.err" &
    sim_pid=$!
    hidraw_listed() { "$ctl" list >"$work/out" 2>"$work/err" && grep -q '^/dev/hidraw' "$work/out"; }
    wait_until 10 hidraw_listed || fail "the kernel's mouse was not listed: $(cat "$work/out" "$work/err")"
    grep -qE "	ff00:0001	read	ok$" "$work/out" || fail "root cannot open the node: $(cat "$work/out")"
    node=$(grep -m1 -oE '^/dev/hidraw[0-9]+' "$work/out")
    chown root:root "$node" && chmod 600 "$node"
    # Someone without access to the node, with the program's folder readable.
    chmod 755 "$work" && chmod -R a+rX "$app"
    setpriv --reuid=65534 --regid=65534 --clear-groups env -u XDG_RUNTIME_DIR TMPDIR=/tmp \
        "$ctl" list >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "list exited $status: $(cat "$work/err")"
    grep -qE "^$node	ff00:0001	read	.*Permission denied.*udev" "$work/out" ||
        fail "the refusal and its reason are not listed: $(cat "$work/out")"
    ;;
files)
    cp "$app/config.ini" "$work/before.ini"
    cp "$app/Macro_EN.dat" "$work/before-en.dat"
    cp "$app/Macro_CN.dat" "$work/before-cn.dat"
    unchanged() {
        cmp -s "$app/config.ini" "$work/before.ini" && cmp -s "$app/Macro_EN.dat" "$work/before-en.dat" &&
            cmp -s "$app/Macro_CN.dat" "$work/before-cn.dat"
    }
    # expect STATUS WORDS COMMAND...: the exit status, a message holding WORDS, no file changed.
    expect() {
        local want=$1 words=$2
        shift 2
        run_ctl "$@" >"$work/out" 2>"$work/err"
        status=$?
        [ "$status" -eq "$want" ] || fail "$* exited $status, expected $want: $(cat "$work/err")"
        grep -qF -- "$words" "$work/err" || fail "$* did not say \"$words\": $(cat "$work/err")"
        unchanged || fail "$* changed the files"
    }
    run_ctl export --profile 2 "$work/good.ini" || fail "export failed"
    sed 's/^K0=.*/K0=999\r/' "$work/good.ini" >"$work/bad.ini"
    expect 2 '"999" for K0' import --profile 5 "$work/bad.ini"
    sed 's/^\(DPI_SET_EN[0-3]\)=.*/\1=0\r/' "$work/good.ini" >"$work/bad.ini"
    expect 2 'DPI_LEVEL' import --profile 5 "$work/bad.ini"
    printf 'not a profile at all\n\001\002\n' >"$work/junk.ini"
    expect 2 'holds no mouse profile (section [Config7] is missing)' import "$work/junk.ini"
    printf '[Macros]\r\nmacroNum=3\r\n0=hello\r\n' >"$work/junk.dat"
    expect 2 'macro 0 does not decode' macros import "$work/junk.dat"
    expect 1 'no such file' import "$work/missing.ini"
    expect 1 'no such file' macros import "$work/missing.dat"
    mkdir "$work/folder.ini" && mkfifo "$work/fifo.ini" && ln -s "$work/gone.ini" "$work/dangling.ini"
    expect 1 'it is a folder' import "$work/folder.ini"
    expect 1 'not a regular file' import "$work/fifo.ini"
    expect 1 'a symbolic link to a file that does not exist' import "$work/dangling.ini"
    truncate -s 100M "$work/huge.ini"
    expect 1 'larger than 1 MiB' import "$work/huge.ini"
    # Export onto a dangling link writes its target; the link stays.
    run_ctl export "$work/dangling.ini" 2>"$work/err" || fail "export onto a link failed: $(cat "$work/err")"
    [ -L "$work/dangling.ini" ] || fail "the link was replaced"
    grep -q 'Config7' "$work/gone.ini" || fail "the link's target was not written"
    # A write that fails names its cause.
    chmod 444 "$app/config.ini"
    expect 1 'write-protected' set --profile 2 fire-interval=80
    chmod 644 "$app/config.ini"
    # Leftovers of killed writers go at the start of the tool and of the headless program.
    sh -c 'exit 0' &
    dead=$!
    wait "$dead"
    leftovers() {
        touch "$app/.Macro_EN.dat.tmp-$dead-0-1" "$app/.Macro_CN.dat.tmp-$dead-0-1" \
            "$app/.config.ini.tmp-$dead-0-1"
    }
    none_left() { ! ls -A "$app" | grep -q '\.tmp-'; }
    leftovers
    run_ctl show >/dev/null 2>&1 || fail "show failed"
    none_left || fail "zel-gmousectl left: $(ls -A "$app" | grep '\.tmp-')"
    leftovers
    start_simulator
    start_program "$socket"
    wait_features $start_count 10
    none_left || fail "the headless program left: $(ls -A "$app" | grep '\.tmp-')"
    # Left while the program runs: a command it carries out removes them too.
    leftovers
    run_ctl show >/dev/null 2>"$work/err" || fail "show through the program failed: $(cat "$work/err")"
    none_left || fail "a command forwarded to the program left: $(ls -A "$app" | grep '\.tmp-')"
    [ "$(grep -c '"event":"connect"' "$log")" -eq 2 ] || fail "the tool opened the mouse itself"
    ;;
no-answer)
    # A program that holds the lock, takes one command and ends the connection without a reply:
    # the change may have been saved before it went, and the tool must not say otherwise.
    runtime="$work/runtime"
    mkdir -m 700 "$runtime"
    python3 - "$runtime" <<'PY' &
import fcntl, os, socket, sys
folder = sys.argv[1]
lock = open(os.path.join(folder, "ZEL_GMouse.lock"), "w")
fcntl.flock(lock, fcntl.LOCK_EX)
server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
server.bind(os.path.join(folder, "ZEL_GMouse.socket"))
server.listen(1)
open(os.path.join(folder, "ready"), "w").close()
connection, _ = server.accept()
request = b""
while b"\n" not in request:
    chunk = connection.recv(4096)
    if not chunk:
        break
    request += chunk
connection.close()
PY
    owner=$!
    wait_until 10 test -e "$runtime/ready" || fail "the stand-in program did not start"
    XDG_RUNTIME_DIR="$runtime" run_ctl set --profile 2 fire-interval=80 >"$work/out" 2>"$work/err"
    status=$?
    wait "$owner"
    [ "$status" -eq 1 ] || fail "the tool exited $status, expected 1: $(cat "$work/err")"
    grep -q "did not answer.*may already be saved" "$work/err" ||
        fail "the message does not say the change may be saved: $(cat "$work/err")"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"

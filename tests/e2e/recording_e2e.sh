#!/usr/bin/env bash
# End-to-end run of a macro made in the window: the real program on an X server of its own
# (Xvfb) against the virtual mouse. A user adds a macro, records A and B typed on the keyboard
# and C held long enough for the X server to auto-repeat it, applies it, gives it to button 4 through the function choice list and applies the profile;
# then the mouse's button 4 is clicked and the mouse must receive the recorded keys, the held C
# as one press and one release.
# Usage: recording_e2e.sh PROGRAM SIMULATOR
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb or xdotool; the reason is printed).
set -u

scenario=record-assign-play
program=$1
simulator=$2
source "$(dirname "$0")/e2e_common.sh"
require_tools Xvfb xdotool

# An X server of our own; the keyboard and pointer are driven through XTEST.
start_xvfb

write_config 1
printf '[Macros]\r\nmacroNum=0\r\n' >"$app/Macro_EN.dat"
start_simulator

mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb \
    "$exe" 2>"$work/app.err" &
app_pid=$!

wait_until 60 window_id >/dev/null || fail "the window did not appear"
wait_features $start_count 10
xdotool windowmove "$(window_id)" 40 40
sleep 0.3

# Geometry "x y width height" of a window.
geometry() {
    xdotool getwindowgeometry --shell "$1" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}
read -r win_x win_y _ _ < <(geometry "$(window_id)")

layouts="$app/skins/INI_EN"
click_at() {  # window-x window-y
    xdotool mousemove "$((win_x + $1))" "$((win_y + $2))"
    sleep 0.2
    xdotool click 1
    sleep 0.4
}
click_entry() {  # file section key
    local x y
    read -r x y < <(centre "$1" "$2" "$3")
    [ -n "$x" ] || fail "no entry $3 in [$2] of $1"
    click_at "$x" "$y"
}
main="$layouts/skin_main_en.ini"
# "width height" of a JPEG picture, from its frame header.
jpeg_size() {
    od -An -v -tu1 "$1" | awk '
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        END {
            i = 2
            while (i + 8 < n) {
                m = b[i + 1]
                if (m == 192 || m == 193 || m == 194) { print b[i + 7] * 256 + b[i + 8], b[i + 5] * 256 + b[i + 6]; exit }
                i += 2 + b[i + 2] * 256 + b[i + 3]
            }
        }'
}
advanced="$layouts/skin_advance_en.ini"

# The advanced page: a new macro "Rec".
click_entry "$main" BUTTONPOS 10
click_entry "$advanced" EDIT 4
xdotool type --delay 50 Rec
click_entry "$advanced" BUTTONPOS 2
grep -q . "$app/Macro_EN.dat" || fail "the macro file is gone"

# Record: A pressed, held 150 ms, released; 200 ms later B pressed and released; then C held
# 1.5 s, past the server's auto-repeat delay. Stop, Apply.
click_entry "$advanced" BUTTONPOS 4
xdotool keydown a
sleep 0.15
xdotool keyup a
sleep 0.2
xdotool keydown b
sleep 0.05
xdotool keyup b
sleep 0.2
xdotool keydown c
sleep 1.5
xdotool keyup c
sleep 0.2
click_entry "$advanced" BUTTONPOS 4
click_entry "$advanced" BUTTONPOS 5
wait_until 5 grep -q '^macroNum=1' <(tr -d '\r' <"$app/Macro_EN.dat") ||
    fail "Apply did not save the macro: $(head -c 200 "$app/Macro_EN.dat")"

# Button 4 gets the macro: its function field opens the choice list; row 9 opens the user
# macros beside it, level with the row when there is one macro.
click_entry "$main" BUTTONPOS 9
click_entry "$main" BUTTONPOS 28
list_id=$(xdotool search --onlyvisible --name '^MainMenuDlg$' | head -1)
[ -n "$list_id" ] || fail "the choice list did not open"
read -r lx ly _ _ < <(geometry "$list_id")
read -r list_width list_height < <(jpeg_size "$app/skins/menu_mask.jpg")
read -r _ sub_height < <(jpeg_size "$app/skins/advanced menu_mask.jpg")
row_height=$((list_height / 10))
row_top=$((ly + 8 * row_height))
xdotool mousemove "$((lx + 20))" "$((row_top + row_height / 2))"
sleep 0.3
xdotool mousemove "$((lx + list_width / 2))" "$((row_top + row_height / 2))"
sleep 0.3
xdotool mousemove "$((lx + list_width + 40))" "$((row_top + sub_height / 24))"
sleep 0.3
xdotool click 1
sleep 0.4

# Apply uploads the profile: button 4 now runs a host function (device code 0).
before=$(feature_count)
click_entry "$main" BUTTONPOS 3
wait_features $((before + 13)) 10
features | tail -n 13 | grep -qx '0710040000000000' || {
    features | tail -n 13 >&2
    fail "button 4 was not given a host function"
}

# The mouse's button 4 clicked: the recorded keys reach the mouse, the held C once, and the
# end of the macro releases everything.
before=$(feature_count)
send_mouse click 4
wait_features $((before + 8)) 10
sleep 1
played=$(features | tail -n +$((before + 1)) | tr '\n' ' ')
expected="0715040000000000 0715000000000000 0715050000000000 0715000000000000 \
0715060000000000 0715000000000000 071600ff00000000 0715000000000000 "
[ "$played" = "$expected" ] || fail "the mouse received: $played"

send_mouse unplug
wait_exit 10
[ "$status" = 0 ] || fail "the program ended with status $status after the unplug"
echo "PASS ($scenario): $played"

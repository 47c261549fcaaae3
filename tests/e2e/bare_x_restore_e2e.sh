#!/usr/bin/env bash
# The window on an X server without a window manager (Xvfb alone), as a user meets it: after
# the minimise button, and after the close button (to the tray, when trayer is installed) and
# each way back (a click on the tray icon, a double click, the tray menu's "Show Window", a
# second start), the page is on screen, never a black rectangle.
# Usage: bare_x_restore_e2e.sh PROGRAM SIMULATOR
# With ZEL_E2E_SCREENSHOTS naming a folder, the screen after each way back is kept there.
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb, xdotool or ImageMagick).
set -u

scenario=bare-x-restore
program=$1
simulator=$2
source "$(dirname "$0")/e2e_common.sh"
require_tools Xvfb xdotool import convert

tray_pid=""
trap '[ -n "$tray_pid" ] && kill "$tray_pid" 2>/dev/null; cleanup' EXIT
start_xvfb

# A notification area when trayer is there, for the close button's hiding to the tray.
if command -v trayer >/dev/null; then
    trayer --edge bottom --align left --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
    tray_pid=$!
    sleep 0.5
fi

write_config 1
start_simulator
mkdir -m 700 "$work/run"
run_program() {
    XDG_RUNTIME_DIR="$work/run" ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" \
        QT_QPA_PLATFORM=xcb "$exe" 2>>"$work/app.err" "$@"
}
run_program &
app_pid=$!

wait_until 60 window_id >/dev/null || fail "the window did not appear"
wait_features $start_count 10
wid=$(window_id)
xdotool windowmove "$wid" 0 0
sleep 0.5

# Mean brightness (0 ... 1) of the screen where the window is.
brightness() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop 880x580+0+0 -colorspace gray -format '%[fx:mean]' info:
}
# True when the screen shows the page as it did at first (same brightness within 10 %).
page_shown() {
    local now
    now=$(brightness)
    awk -v a="$now" -v b="$shown" 'BEGIN { exit !(a > 0.02 && a > b * 0.9 && a < b * 1.1) }'
}
xdotool mousemove 1200 700
sleep 0.3
shown=$(brightness)
awk -v a="$shown" 'BEGIN { exit !(a > 0.02) }' || fail "the page is not on screen at first ($shown)"

entry() {  # BUTTONPOS key -> centre "x y" of the main page's button
    awk -F'[=,]' -v key="$1" '{ sub(/\r$/, "") } /^\[/ { s = $0 }
        s == "[BUTTONPOS]" && $1 == key { print int($3 + $5 / 2), int($4 + $6 / 2); exit }' \
        "$app/skins/INI_EN/skin_main_en.ini"
}
click_button() {
    local x y
    read -r x y < <(entry "$1")
    [ -n "$x" ] || fail "no button $1"
    xdotool mousemove "$x" "$y"
    sleep 0.2
    xdotool click 1
    sleep 0.2
    xdotool mousemove 1200 700
}

# The minimise button: nothing can take the window off the screen, so the page stays.
click_button 12
wait_until 15 page_shown || fail "after minimise the window is black ($(brightness) vs $shown)"

if [ -z "$tray_pid" ]; then
    # Without a notification area the close button only minimises: the page stays as well.
    click_button 13
    wait_until 15 page_shown || fail "after close the window is black ($(brightness) vs $shown)"
else
    # The close button hides the window to the tray; the tray icon, its menu and a second start
    # each show it again.
    hide_to_tray() {
        click_button 13
        sleep 1
        [ -z "$(window_id)" ] || fail "the close button did not hide the window to the tray"
    }
    # The tray icon is the panel's only one, at its left end.
    read -r icon_x icon_y < <(xdotool search --class trayer getwindowgeometry --shell %@ |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^HEIGHT=/{h=$2} END{print x + h / 2, y + h / 2}')
    [ -n "$icon_x" ] || fail "the tray panel is not there"
    restored() {  # how -> the window is back with the page painted
        wait_until 15 window_id >/dev/null || fail "$1 did not show the window"
        wait_until 10 page_shown || fail "after $1 the window is black ($(brightness) vs $shown)"
        [ -z "${ZEL_E2E_SCREENSHOTS:-}" ] ||
            cp "$work/screen.png" "$ZEL_E2E_SCREENSHOTS/$(printf %s "$1" | tr -c 'a-z' '-').png"
    }

    hide_to_tray
    xdotool mousemove "$icon_x" "$icon_y" click 1
    restored "a click on the tray icon"

    hide_to_tray
    xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
    restored "a double click on the tray icon"

    hide_to_tray
    xdotool mousemove "$icon_x" "$icon_y" click 3
    sleep 0.5
    xdotool key Down Return
    restored "the tray menu's show entry"

    hide_to_tray
    run_program || fail "the second start failed"
    restored "a second start"
fi
kill "$app_pid"
wait_exit 10
echo "PASS"

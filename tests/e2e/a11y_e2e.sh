#!/usr/bin/env bash
# End-to-end runs of the window as assistive technology sees it: the real program on an X
# server of its own (Xvfb) against the virtual mouse, on a private session bus with its own
# accessibility bus, read and driven by a real AT-SPI client (atspi_client.py).
# Usage: a11y_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios:
#   choice-list-en, choice-list-cn  a function field's choice list is a list of its rows; a row
#                                   pressed through AT-SPI is chosen as a click chooses it, and
#                                   Apply sends it to the mouse
#   warning-en, warning-cn          the warning before taking the last primary click is an alert
#                                   with its message and two buttons; Cancel and Continue pressed
#                                   through AT-SPI do what their clicks do
#   macro-page                      the advanced page's lists and edits are named by the captions
#                                   beside them, in EN and, after the edition switch, in CN
# Each run prints the trees it read. Exit status: 0 passed, 1 failed, 77 skipped (a tool is
# missing; the reason is printed).
set -u

# Everything runs on a session bus of its own, which ends with the run.
if [ -z "${ZEL_A11Y_PRIVATE_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null ||
        { echo "SKIP: dbus-run-session is missing (scripts/install-deps.sh)"; exit 77; }
    exec env ZEL_A11Y_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
fi

scenario=$1
program=$2
simulator=$3
client="$(dirname "$0")/atspi_client.py"
bus_launcher=/usr/libexec/at-spi-bus-launcher
source "$(dirname "$0")/e2e_common.sh"
require_tools Xvfb xdotool xprop /usr/bin/python3 "$bus_launcher"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    { echo "SKIP: python3-pyatspi is missing (scripts/install-deps.sh)"; exit 77; }

bus_pid=""
x_keeper_pid=""
trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
      [ -n "$x_keeper_pid" ] && kill "$x_keeper_pid" 2>/dev/null
      cleanup' EXIT

start_xvfb
# The X server resets whenever its last client leaves, and a client that connects during the
# reset is refused. Every AT-SPI client and the bus launcher connect and leave: one client stays
# connected for the whole run (it waits for property events, it does not poll).
for _ in $(seq 20); do
    xprop -root -spy >/dev/null 2>&1 &
    x_keeper_pid=$!
    sleep 0.2
    kill -0 "$x_keeper_pid" 2>/dev/null && break
    x_keeper_pid=""
done
[ -n "$x_keeper_pid" ] || fail "no client stays connected to the X server"
"$bus_launcher" --launch-immediately >"$work/bus.log" 2>&1 &
bus_pid=$!

atspi() { /usr/bin/python3 "$client" "$@"; }
app_name=ZEL_GMouse
# wait_object ROLE NAME: until the program shows the object; fails with the tree it has.
wait_object() {
    atspi wait "$app_name" "$1" "$2" 30 || {
        atspi tree "$app_name" >&2
        fail "no $1 \"$2\" on the accessibility bus"
    }
}
# tree_has LINE-PATTERN: the program's tree has a line matching the extended pattern.
tree_has() { atspi tree "$app_name" | grep -qE "$1"; }
# expect_object ROLE NAME: the program's tree has the object (the name compared as it is).
expect_object() {
    atspi tree "$app_name" | sed 's/^ *//' |
        awk -v line="$1 \"$2\"" 'index($0, line) == 1 { found = 1 } END { exit !found }' || {
        atspi tree "$app_name" >&2
        fail "the tree has no $1 \"$2\""
    }
}
show_tree() {
    echo "--- $1"
    atspi tree "$app_name"
}

# edition: 1 EN, 0 CN; the layouts of that edition.
start_window() {
    local edition=$1
    shift
    write_config "$edition" "$@"
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
        "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features 13 10
    xdotool windowmove "$(window_id)" 40 40
    sleep 0.3
    read -r win_x win_y < <(xdotool getwindowgeometry --shell "$(window_id)" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
    if [ "$edition" = 1 ]; then
        main="$app/skins/INI_EN/skin_main_en.ini"
    else
        main="$app/skins/INI_CN/skin_main.ini"
    fi
}

# Centre of entry KEY of SECTION in a layout file ("label,x,y,width,height,caption,").
centre() {
    awk -F'[=,]' -v section="[$2]" -v key="$3" '
        { sub(/\r$/, "") }
        /^\[/ { current = $0 }
        current == section && $1 == key { print int($3 + $5 / 2), int($4 + $6 / 2); exit }
    ' "$1"
}
click_entry() {  # file section key
    local x y
    read -r x y < <(centre "$1" "$2" "$3")
    [ -n "$x" ] || fail "no entry $3 in [$2] of $1"
    xdotool mousemove "$((win_x + x))" "$((win_y + y))"
    sleep 0.2
    xdotool click 1
    sleep 0.4
}
# The text of entry KEY of [FUN_STRING] (a function's name) in the main layout.
function_name() {
    awk -F= -v key="$1" '{ sub(/\r$/, "") } /^\[/ { s = $0 } s == "[FUN_STRING]" && $1 == key { print $2; exit }' "$main"
}
# The caption of entry KEY of [BUTTONPOS] in a layout file.
caption() {
    awk -F'[=,]' -v key="$2" '{ sub(/\r$/, "") } /^\[/ { s = $0 } s == "[BUTTONPOS]" && $1 == key { print $7; exit }' "$1"
}

case "$scenario" in
choice-list-en | choice-list-cn)
    edition=1
    [ "$scenario" = choice-list-cn ] && edition=0
    start_window "$edition"
    # The function field of button 4 opens its list; row 5 is function 5.
    click_entry "$main" BUTTONPOS 28
    wait_object "list item" "$(function_name 1)"
    show_tree "the choice list ($scenario)"
    for code in 1 2 3 4 5 6 7 8 9 10; do
        expect_object "list item" "$(function_name "$code")"
    done
    before=$(feature_count)
    atspi press "$app_name" "list item" "$(function_name 5)" || fail "could not press row 5"
    wait_until 10 eval '! tree_has "list item"' || fail "the list stayed open after the choice"
    # Apply: button 4 gets function 5 (device code 5).
    click_entry "$main" BUTTONPOS 3
    wait_features $((before + 13)) 10
    features | tail -n 13 | grep -qx '0710040500000000' || {
        features | tail -n 13 >&2
        fail "button 4 was not given function 5"
    }

    # The keyboard alone walks the list: Down three times and Return choose function 3.
    click_entry "$main" BUTTONPOS 28
    wait_object "list item" "$(function_name 1)"
    xdotool key Down Down Down Return
    wait_until 10 eval '! tree_has "list item"' || fail "the list stayed open after Return"
    before=$(feature_count)
    click_entry "$main" BUTTONPOS 3
    wait_features $((before + 13)) 10
    features | tail -n 13 | grep -qx '0710040300000000' || {
        features | tail -n 13 >&2
        fail "the keys did not give button 4 function 3"
    }

    # A group row pressed opens its second-level list, whose items are pressed the same way.
    click_entry "$main" BUTTONPOS 28
    wait_object "list item" "$(function_name 7)"
    atspi press "$app_name" "list item" "$(function_name 7)" || fail "could not press row 7"
    wait_object "list item" "$(function_name 12)"
    show_tree "the group list of row 7 ($scenario)"
    expect_object list "$(function_name 7)"
    before=$(feature_count)
    atspi press "$app_name" "list item" "$(function_name 12)" || fail "could not press the item"
    wait_until 10 eval '! tree_has "list item"' || fail "the lists stayed open after the choice"
    click_entry "$main" BUTTONPOS 3
    wait_features $((before + 13)) 10
    features | tail -n 13 | grep -qx '0710040800000000' || {
        features | tail -n 13 >&2
        fail "button 4 was not given function 12 (device code 8)"
    }
    ;;
warning-en | warning-cn)
    edition=1
    warning_layout="$app/skins/INI_EN/LBWarning_en.ini"
    if [ "$scenario" = warning-cn ]; then
        edition=0
        warning_layout="$work/LBWarning.ini"
        iconv -f UTF-16 -t UTF-8 "$app/skins/INI_CN/LBWarning.ini" >"$warning_layout" 2>/dev/null ||
            cp "$app/skins/INI_CN/LBWarning.ini" "$warning_layout"
    fi
    confirm=$(caption "$warning_layout" 0)
    cancel=$(caption "$warning_layout" 1)
    message=$(caption "$warning_layout" 2)
    # Button 1 holds the only primary click: changing it asks first.
    start_window "$edition" K0=1 K1=2
    click_entry "$main" BUTTONPOS 25
    wait_object alert "$message"
    show_tree "the warning ($scenario)"
    expect_object alert "$message"
    expect_object "push button" "$confirm"
    expect_object "push button" "$cancel"
    atspi press "$app_name" "push button" "$cancel" --in alert "$message" || fail "could not press $cancel"
    wait_until 10 eval '! tree_has "^ +alert "' || fail "the warning stayed open after $cancel"
    sleep 0.3
    tree_has "list item" && fail "$cancel opened the choice list"

    click_entry "$main" BUTTONPOS 25
    wait_object alert "$message"
    atspi press "$app_name" "push button" "$confirm" --in alert "$message" || fail "could not press $confirm"
    wait_object "list item" "$(function_name 2)"
    xdotool key Escape
    wait_until 10 eval '! tree_has "list item"' || fail "Escape left the choice list open"

    # The keyboard alone: Tab twice reaches the cancel button, Return presses it; Return with
    # no button chosen confirms.
    click_entry "$main" BUTTONPOS 25
    wait_object alert "$message"
    xdotool key Tab Tab Return
    wait_until 10 eval '! tree_has "^ +alert "' || fail "the warning stayed open after Tab Tab Return"
    sleep 0.3
    tree_has "list item" && fail "Tab Tab Return confirmed"
    click_entry "$main" BUTTONPOS 25
    wait_object alert "$message"
    xdotool key Return
    wait_object "list item" "$(function_name 2)"
    ;;
macro-page)
    start_window 1
    advanced="$app/skins/INI_EN/skin_advance_en.ini"
    click_entry "$main" BUTTONPOS 10
    for key in 38 39 45 46; do
        wait_object "*" "$(caption "$advanced" "$key")"
    done
    show_tree "the advanced page (EN)"
    # The client gives the focus, and tells what it cannot find or understand.
    atspi focus "$app_name" text "$(caption "$advanced" 45)" || fail "could not focus the name edit"
    wait_until 10 eval 'tree_has "^ +text \"$(caption "$advanced" 45)\" focused"' ||
        fail "the name edit did not take the focus"
    atspi press "$app_name" "push button" "no such button" 2>/dev/null
    [ $? = 1 ] || fail "a missing object is not status 1"
    atspi press "$app_name" "push button" 2>/dev/null
    [ $? = 2 ] || fail "a short command line is not status 2"
    expect_object list "$(caption "$advanced" 38)"
    expect_object list "$(caption "$advanced" 39)"
    expect_object text "$(caption "$advanced" 45)"
    expect_object text "$(caption "$advanced" 46)"
    # The edition switch renames them.
    click_entry "$main" BUTTONPOS 17
    advanced="$app/skins/INI_CN/skin_advance.ini"
    for key in 38 39 45 46; do
        wait_object "*" "$(caption "$advanced" "$key")"
    done
    show_tree "the advanced page (CN)"
    expect_object list "$(caption "$advanced" 38)"
    expect_object text "$(caption "$advanced" 45)"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

send_mouse unplug
wait_exit 10
[ "$status" = 0 ] || fail "the program ended with status $status after the unplug"
echo "PASS ($scenario)"

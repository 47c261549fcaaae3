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
#   main-tree-en, main-tree-cn      every control of the main page, with its role, its name in
#                                   the edition and its state
#   profile-apply                   "Profile 3" then "Apply" pressed through AT-SPI send what
#                                   their clicks send and store CurConfig=3
#   keyboard                        the keyboard alone chooses a profile, assigns a function
#                                   through a choice list, turns a DPI level off, saves and
#                                   applies; Escape and Return leave the window up
#   fire-value                      the fire interval set through the value interface is saved
#   looks-en, looks-cn              a function field found by its label gives its function; a
#                                   step bar reads its DPI, takes the focus by GrabFocus and is a
#                                   slider to the keys (xdotool): the arrows set it, Space keeps
#                                   it, Save stores it; "Repeat while held" is a check box that
#                                   toggles; the names are unique and the frame's follows the
#                                   edition
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
# has_state ROLE NAME STATE: the object's line shows the state (names compared as they are).
has_state() {
    atspi tree "$app_name" | sed 's/^ *//' |
        awk -v line="$1 \"$2\"" -v state=" $3" \
            'index($0, line) == 1 && index(substr($0, length(line) + 1), state) { found = 1 }
             END { exit !found }'
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
    # Profiles 2 ... 5 as profile 1, so that choosing one loads it without a notice.
    for n in 2 3 4 5; do
        sed -n '/^\[Config1\]/,$p' "$app/config.ini" | sed "1s/.*/[Config$n]/"
    done >>"$app/config.ini"
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
        "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $start_count 10
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
# apply_expecting REPORT WHY: a click on Apply uploads, and the upload holds REPORT.
apply_expecting() {
    local before
    before=$(feature_count)
    click_entry "$main" BUTTONPOS 3
    wait_features $((before + 13)) 10
    features | tail -n 13 | grep -qx "$1" || {
        features | tail -n 13 >&2
        fail "$2"
    }
}
# The value of KEY in [SECTION] of config.ini.
config_value() {
    awk -F= -v section="[$1]" -v key="$2" '{ sub(/\r$/, "") } /^\[/ { s = $0 }
        s == section && $1 == key { print $2; exit }' "$app/config.ini"
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
    # The list is called after the field that opened it.
    expect_object list "$(caption "$main" 35): $(function_name 4)"
    for code in 1 2 3 4 5 6 7 8 9 10; do
        expect_object "list item" "$(function_name "$code")"
    done
    atspi press "$app_name" "list item" "$(function_name 5)" || fail "could not press row 5"
    wait_until 10 eval '! tree_has "list item"' || fail "the list stayed open after the choice"
    # Apply: button 4 gets function 5 (device code 5).
    apply_expecting 0710040500000000 "button 4 was not given function 5"

    # The keyboard alone walks the list: Down three times and Return choose function 3.
    click_entry "$main" BUTTONPOS 28
    wait_object "list item" "$(function_name 1)"
    xdotool key Down Down Down Return
    wait_until 10 eval '! tree_has "list item"' || fail "the list stayed open after Return"
    apply_expecting 0710040300000000 "the keys did not give button 4 function 3"

    # A group row pressed opens its second-level list, whose items are pressed the same way.
    click_entry "$main" BUTTONPOS 28
    wait_object "list item" "$(function_name 7)"
    atspi press "$app_name" "list item" "$(function_name 7)" || fail "could not press row 7"
    wait_object "list item" "$(function_name 12)"
    show_tree "the group list of row 7 ($scenario)"
    expect_object list "$(function_name 7)"
    atspi press "$app_name" "list item" "$(function_name 12)" || fail "could not press the item"
    wait_until 10 eval '! tree_has "list item"' || fail "the lists stayed open after the choice"
    apply_expecting 0710040800000000 "button 4 was not given function 12 (device code 8)"
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
main-tree-en | main-tree-cn)
    edition=1
    [ "$scenario" = main-tree-cn ] && edition=0
    start_window "$edition"
    wait_object "page tab" "$(caption "$main" 10)"
    show_tree "the main page ($scenario)"
    close_word=Close
    [ "$edition" = 0 ] && close_word=Cerrar
    has_state "page tab" "$(caption "$main" 9)" checked || fail "the main page's tab is not checked"
    expect_object "push button" "$close_word"
    has_state "radio button" "$(caption "$main" 4)" checked || fail "profile 1 is not checked"
    expect_object "radio button" "$(caption "$main" 6)"
    expect_object "combo box" "$(caption "$main" 35)"
    on_word=on
    dpi_word=DPI
    [ "$edition" = 0 ] && on_word=activo dpi_word=PPP
    has_state "check box" "$(caption "$main" 50) $on_word" checked || fail "level 1 is not checked"
    has_state slider "$(caption "$main" 52) $dpi_word" "value=4800 [300..7200]" ||
        fail "the third level's step bar does not read 4800 DPI of 300 ... 7200"
    expect_object "push button" "$(caption "$main" 3)"
    # The lighting page replaces the page's controls.
    color="$app/skins/INI_EN/skin_color_en.ini"
    [ "$edition" = 0 ] && color="$app/skins/INI_CN/skin_color.ini"
    atspi press "$app_name" "page tab" "$(caption "$main" 11)" || fail "could not press the tab"
    wait_object "radio button" "$(caption "$color" 0)"
    show_tree "the lighting page ($scenario)"
    tree_has "combo box" && fail "the main page's fields are still listed"
    ;;
profile-apply)
    start_window 1
    profile3=$(caption "$main" 6)
    atspi press "$app_name" "radio button" "$profile3" || fail "could not press $profile3"
    wait_until 10 has_state "radio button" "$profile3" checked || fail "$profile3 is not shown chosen"
    before=$(feature_count)
    atspi press "$app_name" "push button" "$(caption "$main" 3)" || fail "could not press Apply"
    wait_features $((before + 13)) 10
    wait_until 10 eval '[ "$(config_value Init CurConfig)" = 3 ]' ||
        fail "CurConfig is $(config_value Init CurConfig), not 3"
    by_atspi=$(features | tail -n 13)
    # The same by clicks, from profile 1.
    click_entry "$main" BUTTONPOS 4
    click_entry "$main" BUTTONPOS 6
    before=$(feature_count)
    click_entry "$main" BUTTONPOS 3
    wait_features $((before + 13)) 10
    [ "$(features | tail -n 13)" = "$by_atspi" ] || {
        echo "$by_atspi" >&2
        fail "Apply through AT-SPI sent other reports than its click"
    }
    ;;
keyboard)
    start_window 1
    xdotool windowfocus --sync "$(window_id)"
    sleep 0.3
    keys() {
        xdotool key --delay 60 "$@"
        sleep 0.4
    }
    focused() { has_state "$1" "$2" focused; }
    # The title bar (three page tabs, minimise, close), the editions, then the current profile.
    keys Tab Tab Tab Tab Tab Tab Tab Tab
    wait_until 5 focused "radio button" "$(caption "$main" 4)" || {
        atspi tree "$app_name" >&2
        fail "eight Tabs did not reach the current profile"
    }
    keys Down Down space
    wait_until 5 has_state "radio button" "$(caption "$main" 6)" checked ||
        fail "Down Down Space did not choose profile 3"
    # Import, Export, Reset all, then the first function field; button 4's is three to the right.
    keys Tab Tab Tab Tab Right Right Right space
    wait_object "list item" "$(function_name 1)"
    keys Down Down Down Return
    wait_until 10 eval '! tree_has "list item"' || fail "the list stayed open after Return"
    # The wheel, then the DPI levels' boxes: the last one off.
    keys Tab Tab End space
    wait_until 5 eval '! has_state "check box" "$(caption "$main" 53)" checked' ||
        fail "End Space did not turn level 4 off"
    # The level buttons, the four step bars, then Save; Cancel, then Apply.
    keys Tab Tab Tab Tab Tab Tab
    wait_until 5 focused "push button" "$(caption "$main" 0)" || fail "Tab did not reach Save"
    keys space
    wait_until 10 eval '[ "$(config_value Config3 K3)" = 3 ]' ||
        fail "Save did not store button 4's function 3 in profile 3"
    [ "$(config_value Config3 DPI_SET_EN3)" = 0 ] || fail "Save did not store level 4 off"
    before=$(feature_count)
    keys Tab Tab Return
    wait_features $((before + 13)) 10
    features | tail -n 13 | grep -qx '0710040300000000' ||
        fail "Apply did not send button 4's function 3"
    [ "$(config_value Init CurConfig)" = 3 ] || fail "Apply did not store CurConfig=3"
    keys Escape Return
    window_id >/dev/null || fail "Escape or Return hid the window"
    ;;
fire-value)
    start_window 1
    advanced="$app/skins/INI_EN/skin_advance_en.ini"
    atspi press "$app_name" "page tab" "$(caption "$main" 10)" || fail "could not press the tab"
    fire=$(caption "$advanced" 42)
    wait_object slider "$fire"
    has_state slider "$fire" "value=50 [0..300]" || fail "the fire interval does not read 50"
    atspi set-value "$app_name" slider "$fire" 51 || fail "could not set the fire interval"
    wait_until 5 has_state slider "$fire" "value=51 " || fail "the value did not become 51"
    atspi press "$app_name" "push button" "$(caption "$main" 0)" || fail "could not press Save"
    wait_until 10 eval '[ "$(config_value Config1 FIRE_TIME)" = 51 ]' ||
        fail "FIRE_TIME is $(config_value Config1 FIRE_TIME), not 51"
    ;;
looks-en | looks-cn)
    edition=1 on_word=on dpi_word=DPI frame="KV270 Gaming Mouse" import_macros="Import macros"
    [ "$scenario" = looks-cn ] &&
        edition=0 on_word=activo dpi_word=PPP frame="Ratón de juego KV270" \
            import_macros="Importar macros"
    start_window "$edition"
    wait_object "page tab" "$(caption "$main" 10)"
    show_tree "the main page ($scenario)"
    expect_object frame "$frame"
    # A function field by its label: its text is its function, its label is related to it.
    field=$(caption "$main" 35)
    read_out=$(atspi read "$app_name" "combo box" "$field") || fail "could not read \"$field\""
    [ "$read_out" = "text=\"$(function_name 4)\" labelled-by=\"$field\"" ] ||
        fail "\"$field\" reads $read_out"
    expect_object label "$field"
    # Level 2's step bar (DPI_SET1 6: 2400 DPI) takes the focus and is a slider to the keys.
    level2="$(caption "$main" 51) $dpi_word"
    has_state slider "$level2" "value=2400 [300..7200]" || fail "$level2 does not read 2400"
    xdotool windowfocus --sync "$(window_id)"
    sleep 0.3
    atspi grab-focus "$app_name" slider "$level2" || fail "GrabFocus on $level2 answered false"
    wait_until 5 has_state slider "$level2" focused || fail "$level2 did not take the focus"
    xdotool key --delay 60 Right
    wait_until 5 has_state slider "$level2" "value=3000 " || fail "Right did not make it 3000"
    xdotool key --delay 60 space Return Left Left Right
    sleep 0.4
    wait_until 5 has_state slider "$level2" "value=2400 " ||
        fail "Space Return Left Left Right did not end on 2400"
    atspi press "$app_name" "push button" "$(caption "$main" 0)" || fail "could not press Save"
    wait_until 10 eval '[ "$(config_value Config1 DPI_SET1)" = 6 ]' ||
        fail "Save stored DPI_SET1=$(config_value Config1 DPI_SET1), not 6"
    has_state "check box" "$(caption "$main" 50) $on_word" checked || fail "level 1 is not on"
    # The advanced page: "Repeat while held" toggles as a check box; the import buttons say what they import.
    advanced="$app/skins/INI_EN/skin_advance_en.ini"
    [ "$edition" = 0 ] && advanced="$app/skins/INI_CN/skin_advance.ini"
    atspi press "$app_name" "page tab" "$(caption "$main" 10)" || fail "could not press the tab"
    repeat=$(caption "$advanced" 7)  # "Repeat while held"
    wait_object "check box" "$repeat"
    show_tree "the advanced page ($scenario)"
    atspi press "$app_name" "check box" "$repeat" || fail "could not toggle $repeat"
    wait_until 5 has_state "check box" "$repeat" checked || fail "$repeat was not checked"
    expect_object "push button" "$import_macros"
    # No two objects of the page share a role and a name.
    duplicates=$(atspi tree "$app_name" | sed 's/^ *//' | grep -oE '^[a-z ]+ "[^"]*"' |
        grep -vE '^(filler|list item|panel|label) ' | sort | uniq -d)
    [ -z "$duplicates" ] || fail "names used twice on the advanced page: $duplicates"
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

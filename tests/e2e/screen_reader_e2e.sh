#!/usr/bin/env bash
# End-to-end runs of the window with the clients people use: the screen reader Orca (speech off,
# what it would say read from its debug log), the UI-automation library dogtail, and xdotool's
# keys (a11y_session.sh sets them up).
# Usage: screen_reader_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios:
#   harness-en, harness-cn   dogtail finds Apply and the profiles by name and presses one;
#                            Orca says the name of the control Tab moves to
#   record-escape-en, -cn   Tab to Record, Space: Orca says how a recording ends; A and a short
#                            Escape are recorded, Escape held down stops the recording (the
#                            control's name and state say so) and is no step, nor is the Space
#   modal-reply-en, -cn     dogtail presses the "Left button" field whose change asks first, and
#                            Import: each press returns at once and its modal window opens after
#   choice-keys-en, -cn     Alt+Down on a function field: Orca says the list's row of the
#                            field's function; Escape: Orca says the field again; Alt+Down, Tab
#                            Tab closes the list, and Down and Space then choose nothing in it
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing; the reason is printed).
set -u

scenario=$1
program=$2
simulator=$3
source "$(dirname "$0")/a11y_session.sh"

edition_of() { case "$1" in *-cn) echo 0 ;; *) echo 1 ;; esac; }

case "$scenario" in
harness-en | harness-cn)
    start_window "$(edition_of "$scenario")"
    start_orca
    profile3=$(caption "$main" 6)
    dogtail_script "$profile3" <<'PY' || fail "dogtail could not choose the profile"
import sys
from zel_dogtail import find, press, wait_for
profile = find("radio button", sys.argv[1])
press(profile)
wait_for(lambda: profile.checked, 30, "%s checked" % sys.argv[1])
PY
    # The first Tab stop of the window is the frame's first page tab.
    orca_mark
    keys Tab
    orca_expect_said 30 "$(caption "$main" 9)" "Orca did not say the tab Tab moved to"
    ;;
record-escape-en | record-escape-cn)
    edition=$(edition_of "$scenario")
    start_window "$edition"
    start_orca
    atspi press "$app_name" "page tab" "$(caption "$main" 10)" || fail "could not press the tab"
    record=$(caption "$advanced" 4)
    steps=$(caption "$advanced" 39)
    wait_object list "$steps"
    # Tab, from the page's tab, until Record has the focus.
    record_focused() { tree_has "^ *(push button|toggle button|check box) \"$record\" .*focused"; }
    for _ in $(seq 60); do
        record_focused && break
        orca_mark
        keys Tab
        wait_until 10 eval 'tree_has " focused"' || true
    done
    record_focused || fail "Tab did not reach $record"
    hint='held down for one second'
    [ "$edition" = 0 ] && hint='pulsada un segundo'
    orca_expect_said 30 "$hint" "Orca did not say how a recording ends"
    stop_orca
    keys space
    wait_until 30 eval '! tree_has "^ *(push button|toggle button|check box) \"$record\""' ||
        fail "Space did not start the recording"
    keys a Escape
    wait_until 30 eval '[ "$(atspi tree "$app_name" | grep -c "list item \".*ESCAPE\"")" = 2 ]' ||
        fail "a short Escape was not recorded as a key"
    # Held down: the recording stops while the key is still down.
    xdotool keydown Escape
    wait_until 30 eval 'tree_has "^ *(push button|toggle button|check box) \"$record\""'
    stopped=$?
    xdotool keyup Escape
    [ "$stopped" = 0 ] || fail "holding Escape did not stop the recording"
    tree_has "^ *(push button|toggle button|check box) \"$record\" .*checked" && fail "$record still shows checked"
    lines=$(atspi tree "$app_name" | sed -n 's/^ *list item "\(.*\)".*/\1/p' | grep -v '^ *[0-9]*ms$')
    echo "--- the steps recorded"
    echo "$lines"
    [ "$(echo "$lines" | grep -c 'ESCAPE')" = 2 ] || fail "the held Escape became steps"
    echo "$lines" | grep -q 'SPACE' && fail "the Space that pressed $record was recorded"
    [ "$(echo "$lines" | grep -c '[^A-Z]A$')" = 2 ] || fail "A was not recorded as a press and a release"
    ;;
modal-reply-en | modal-reply-cn)
    # Button 1 holds the only primary click: changing it asks first.
    start_window "$(edition_of "$scenario")" K0=1 K1=2
    dogtail_script "$(caption "$main" 32)" "$(caption "$main" 14)" <<'PY' ||
import sys
from zel_dogtail import app, fail, press, wait_for
label, import_caption = sys.argv[1], sys.argv[2]

def pressed_at_once(node, what):
    # A press whose reply waits for the modal window fails with "Did not receive a reply".
    try:
        press(node)
    except Exception as error:
        fail("pressing %s got no reply: %s" % (what, error))

field = app.findChild(lambda n: n.roleName == "combo box" and n.name.startswith(label),
                      requireResult=True)
pressed_at_once(field, "the field")
wait_for(lambda: app.findChild(lambda n: n.roleName == "alert", retry=False,
                               requireResult=False) is not None, 30, "the warning opening")
alert = app.findChild(lambda n: n.roleName == "alert", retry=False)
press(alert.findChildren(lambda n: n.roleName == "push button")[1])
wait_for(lambda: app.findChild(lambda n: n.roleName == "alert", retry=False,
                               requireResult=False) is None, 30, "the warning closing")
pressed_at_once(app.findChild(lambda n: n.roleName == "push button" and
                              n.name.startswith(import_caption), requireResult=True), "Import")
wait_for(lambda: app.findChild(lambda n: n.roleName in ("dialog", "file chooser"), retry=False,
                               requireResult=False) is not None, 30, "the file dialog opening")
PY
        fail "an action that opens a modal window did not reply at once"
    keys Escape
    wait_until 30 eval '! tree_has "^ *(dialog|file chooser) "' || fail "the file dialog stayed open"
    ;;
choice-keys-en | choice-keys-cn)
    start_window "$(edition_of "$scenario")"
    start_orca
    for _ in $(seq 60); do
        tree_has '^ *combo box .* focused' && break
        keys Tab
        wait_until 10 eval 'tree_has " focused"' || true
    done
    tree_has '^ *combo box .* focused' || fail "Tab did not reach a function field"
    # The second field (the right button, function 2): its change asks nothing first.
    keys Right
    wait_until 10 eval 'tree_has "^ *combo box \"[^\"]*$(caption "$main" 33)[^\"]*\" .*focused"' ||
        fail "Right did not reach the second field"
    orca_mark
    keys alt+Down
    wait_object "list item" "$(function_name 2)"
    orca_expect_said 30 "^$(function_name 2)" "Orca did not say the row of the field's function"
    orca_mark
    keys Escape
    wait_until 30 eval '! tree_has "list item"' || fail "Escape left the list open"
    orca_expect_said 30 "combo box" "Orca did not say the field after the list closed"
    # Tab leaves the list: the keys go where the focus is, never to the list.
    keys alt+Down
    wait_object "list item" "$(function_name 2)"
    stop_orca
    keys Tab Tab
    wait_until 30 eval '! tree_has "list item \"$(function_name 1)\""' || fail "Tab left the list open"
    # Down and Space would choose row 1 in a list still taking the keys.
    keys Down space
    sleep 1
    keys Escape
    wait_until 30 eval '! tree_has "list item"' || true
    inode=$(stat -c %i "$app/config.ini")
    atspi press "$app_name" "push button" "$(caption "$main" 0)" || fail "could not press Save"
    wait_until 30 eval '[ "$(stat -c %i "$app/config.ini")" != "$inode" ]' || fail "Save wrote nothing"
    for n in 0 1 2 3 4 5; do
        [ "$(config_value Config1 K$n)" = $((n + 1)) ] ||
            fail "keys after Tab changed button $((n + 1)) to $(config_value Config1 K$n)"
    done
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

send_mouse unplug
wait_exit 20
[ "$status" = 0 ] || fail "the program ended with status $status after the unplug"
echo "PASS ($scenario)"

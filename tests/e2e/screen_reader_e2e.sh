#!/usr/bin/env bash
# End-to-end runs of the window with the clients people use: the screen reader Orca (speech off,
# what it would say read from its debug log), the UI-automation library dogtail, and xdotool's
# keys (a11y_session.sh sets them up).
# Usage: screen_reader_e2e.sh SCENARIO PROGRAM SIMULATOR
# Scenarios:
#   harness-en, harness-cn   dogtail finds Apply and the profiles by name and presses one;
#                            Orca says the name of the control Tab moves to
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
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac

send_mouse unplug
wait_exit 20
[ "$status" = 0 ] || fail "the program ended with status $status after the unplug"
echo "PASS ($scenario)"

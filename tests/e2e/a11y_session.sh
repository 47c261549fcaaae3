# The session of the end-to-end tests that use the clients people use: the window on an X server
# of its own (Xvfb) against the virtual mouse, on a private session bus with its own
# accessibility bus, read and driven by dogtail (the UI-automation library), by the screen
# reader Orca (speech off, its debug log read for what it would say), by xdotool and by the
# project's AT-SPI client (atspi_client.py).
#
# Source it after setting `scenario`, `program` and `simulator`; it restarts the script on a
# session bus of its own first, so source it before anything else runs. Then:
#   require_dogtail / require_orca    skip (status 77) when the client is not installed
#   start_window EDITION [KEY=VALUE]  config.ini for EDITION (1 EN, 0 CN), the virtual mouse, the
#                                     window; sets win_x, win_y, main (the main page's layout)
#   start_orca                        Orca, speech off, its debug log in $orca_log; returns once
#                                     Orca follows the window
#   stop_orca                         Orca ends
#   orca_mark                         remembers where the log ends; orca_said_since prints what
#                                     Orca said after it, one utterance a line
#   orca_wait_said SECS PATTERN       waits until Orca says something matching PATTERN (an
#                                     extended regular expression) after the mark
#   dogtail_script [ARGS] <<'PY'      runs the Python script on standard input with dogtail
#                                     imported and `app` the window's application (zel_dogtail.py)
#   keys KEY...                       xdotool presses the keys to the window
#   atspi ARGS                        the project's AT-SPI client
# and the helpers of e2e_common.sh (wait_until, fail, features, send_mouse, ...).

if [ -z "${ZEL_A11Y_PRIVATE_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null ||
        { echo "SKIP: dbus-run-session is missing (scripts/install-deps.sh)"; exit 77; }
    exec env ZEL_A11Y_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
fi

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bus_launcher=/usr/libexec/at-spi-bus-launcher
source "$e2e_dir/e2e_common.sh"
require_tools Xvfb xdotool xprop /usr/bin/python3 "$bus_launcher"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    { echo "SKIP: python3-pyatspi is missing (scripts/install-deps.sh)"; exit 77; }

require_dogtail() {
    /usr/bin/python3 -c 'import dogtail' 2>/dev/null ||
        { echo "SKIP: python3-dogtail is missing (scripts/install-deps.sh)"; exit 77; }
}
require_orca() {
    command -v orca >/dev/null || { echo "SKIP: orca is missing (scripts/install-deps.sh)"; exit 77; }
}

bus_pid=""
x_keeper_pid=""
orca_pid=""
a11y_cleanup() {
    [ -n "$orca_pid" ] && kill "$orca_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    [ -n "$x_keeper_pid" ] && kill "$x_keeper_pid" 2>/dev/null
    cleanup
}
trap a11y_cleanup EXIT

start_xvfb
# The X server keeps one client connected for the whole run (it waits for property events, it
# does not poll), so that no client meets a server that is resetting.
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

app_name=ZEL_GMouse
atspi() { /usr/bin/python3 "$e2e_dir/atspi_client.py" "$@"; }
tree_has() { atspi tree "$app_name" | grep -qE "$1"; }
# has_state ROLE NAME STATE: the object's line in the tree shows the state.
has_state() {
    atspi tree "$app_name" | sed 's/^ *//' |
        awk -v line="$1 \"$2\"" -v state=" $3" \
            'index($0, line) == 1 && index(substr($0, length(line) + 1), state) { found = 1 }
             END { exit !found }'
}
wait_object() {
    atspi wait "$app_name" "$1" "$2" "${3:-30}" || {
        atspi tree "$app_name" >&2
        fail "no $1 \"$2\" on the accessibility bus"
    }
}

# start_window EDITION [KEY=VALUE ...]: profiles 1 ... 5 alike, so that choosing one loads it
# without a notice.
start_window() {
    local edition=$1
    shift
    write_config "$edition" "$@"
    for n in 2 3 4 5; do
        sed -n '/^\[Config1\]/,$p' "$app/config.ini" | sed "1s/.*/[Config$n]/"
    done >>"$app/config.ini"
    start_simulator
    ZEL_GMOUSE_SIM="$socket" XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
        "$exe" 2>"$work/app.err" &
    app_pid=$!
    wait_until 60 window_id >/dev/null || fail "the window did not appear"
    wait_features $start_count 20
    xdotool windowmove --sync "$(window_id)" 40 40
    read -r win_x win_y < <(xdotool getwindowgeometry --shell "$(window_id)" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
    if [ "$edition" = 1 ]; then
        main="$app/skins/INI_EN/skin_main_en.ini"
        advanced="$app/skins/INI_EN/skin_advance_en.ini"
        color="$app/skins/INI_EN/skin_color_en.ini"
    else
        main="$app/skins/INI_CN/skin_main.ini"
        advanced="$app/skins/INI_CN/skin_advance.ini"
        color="$app/skins/INI_CN/skin_color.ini"
    fi
    wait_object "push button" "$(caption "$main" 3)" 60
    xdotool windowfocus --sync "$(window_id)"
}

# The caption of entry KEY of [BUTTONPOS] in a layout file.
caption() {
    awk -F'[=,]' -v key="$2" '{ sub(/\r$/, "") } /^\[/ { s = $0 } s == "[BUTTONPOS]" && $1 == key { print $7; exit }' "$1"
}
# The text of entry KEY of [FUN_STRING] (a function's name) in the main layout.
function_name() {
    awk -F= -v key="$1" '{ sub(/\r$/, "") } /^\[/ { s = $0 } s == "[FUN_STRING]" && $1 == key { print $2; exit }' "$main"
}
# The value of KEY in [SECTION] of config.ini.
config_value() {
    awk -F= -v section="[$1]" -v key="$2" '{ sub(/\r$/, "") } /^\[/ { s = $0 }
        s == section && $1 == key { print $2; exit }' "$app/config.ini"
}
# click_entry FILE SECTION KEY: the pointer clicks the entry's centre.
click_entry() {
    local x y
    read -r x y < <(centre "$1" "$2" "$3")
    [ -n "$x" ] || fail "no entry $3 in [$2] of $1"
    xdotool mousemove --sync "$((win_x + x))" "$((win_y + y))" click 1
}
# keys KEY...: xdotool types the keys (X key names) one after the other.
keys() { xdotool key --delay 80 "$@"; }

# ---- Orca ----

orca_log="$work/orca.log"
orca_mark_line=0

# start_orca: Orca with speech off (it still logs every utterance it would speak), its own
# preferences folder, and its debug log. Returns once Orca has started and spoken the window.
start_orca() {
    require_orca
    mkdir -p "$work/orca-prefs" "$work/orca-home"
    : >"$orca_log"
    HOME="$work/orca-home" XDG_CONFIG_HOME="$work/orca-home/.config" \
        XDG_DATA_HOME="$work/orca-home/.local/share" GTK_MODULES="" \
        /usr/bin/python3 "$e2e_dir/orca_log.py" run "$orca_log" \
        -d speech -d braille -u "$work/orca-prefs" >"$work/orca.out" 2>&1 &
    orca_pid=$!
    wait_until 60 grep -q 'ORCA: Startup complete' "$orca_log" || {
        tail -n 40 "$orca_log" >&2
        fail "Orca did not start"
    }
}

# stop_orca: Orca ends (Qt hands every key to a listening screen reader and waits for its answer,
# which a key held down and repeated for seconds would turn into a queue).
stop_orca() {
    [ -n "$orca_pid" ] || return 0
    kill "$orca_pid" 2>/dev/null
    wait_until 30 ended "$orca_pid" || kill -KILL "$orca_pid" 2>/dev/null
    wait "$orca_pid" 2>/dev/null
    orca_pid=""
}

# orca_said_since: the utterances logged after the mark, one a line.
orca_said_since() {
    /usr/bin/python3 "$e2e_dir/orca_log.py" said "$orca_log" "$orca_mark_line"
}
orca_mark() { orca_mark_line=$(wc -l <"$orca_log"); }
# orca_wait_said SECS PATTERN: until an utterance after the mark matches PATTERN.
orca_wait_said() {
    local seconds=$1 pattern=$2
    wait_until "$seconds" eval 'orca_said_since | grep -qE -- "$pattern"'
}
# orca_expect_said SECS PATTERN WHY: orca_wait_said, or fail with what Orca said.
orca_expect_said() {
    orca_wait_said "$1" "$2" || {
        echo "--- Orca said since the mark:" >&2
        orca_said_since >&2
        fail "$3"
    }
}

# ---- dogtail ----

# dogtail_script [ARGS]: runs the script on standard input with /usr/bin/python3; zel_dogtail.py
# imports dogtail and finds the window's application. Exit status as the script's.
dogtail_script() {
    require_dogtail
    local script="$work/dogtail-$RANDOM.py"
    cat >"$script"
    GTK_MODULES=gail:atk-bridge PYTHONPATH="$e2e_dir${PYTHONPATH:+:$PYTHONPATH}" \
        ZEL_DOGTAIL_APP="$app_name" /usr/bin/python3 "$script" "$@"
}

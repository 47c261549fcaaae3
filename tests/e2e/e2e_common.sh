# Shared helpers of the end-to-end scripts: a work folder with a copy of the program's folder,
# the virtual mouse with its log, the program, and bounded waits. Source it after setting
# `scenario`, `program` and `simulator`.

# require_tools TOOL...: the test is skipped (status 77) when one of them is not installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
    done
}

work=$(mktemp -d "${TMPDIR:-/tmp}/zel-e2e-XXXXXX")
sim_pid=""
app_pid=""
xvfb_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    [ -n "$sim_pid" ] && kill -KILL "$sim_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    # The instance lock files of this run's programs that were killed: they name a socket in
    # the work folder. An orderly end removes its own.
    local lock
    for lock in /tmp/zel-gmouse-*/ZEL_GMouse*.lock; do
        [ -f "$lock" ] && grep -qF "$work/" "$lock" 2>/dev/null && rm -f "$lock"
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*" >&2
    for f in "$work/sim.log" "$work/app.err" "$work/sim.err" "$work/xvfb.log"; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# wait_until SECONDS COMMAND...: polls COMMAND every 20 ms until it succeeds or time runs out.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.02
    done
}

# start_xvfb [WIDTHxHEIGHT]: an X server of this run's own (the default 1280x800) as DISPLAY.
# The display number is named and the server's lock file must name our server: a server that
# searches for a free number (-displayfd) binds each number's socket before it takes that
# number's lock, and removes the socket of a server already running there, so that a run beside
# it loses its display. A named number is locked first; a server that loses the lock to another
# run ends at once and the next number is tried. -noreset: a server that resets whenever its
# last client leaves refuses a client that connects during the reset.
start_xvfb() {
    local display=$((100 + RANDOM % 800)) tries
    for tries in $(seq 40); do
        Xvfb ":$display" -screen 0 "${1:-1280x800}x24" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        if wait_until 10 eval '! kill -0 "$xvfb_pid" 2>/dev/null ||
            DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1' &&
            [ "$(tr -d ' ' <"/tmp/.X$display-lock" 2>/dev/null)" = "$xvfb_pid" ]; then
            export DISPLAY=":$display"
            return
        fi
        kill -0 "$xvfb_pid" 2>/dev/null && fail "Xvfb does not answer on :$display"
        wait "$xvfb_pid" 2>/dev/null
        display=$((display + 1))
    done
    fail "no free X display number"
}

# window_id: the id of the program's visible main window; fails while there is none, so that
# `wait_until 60 window_id` really waits for it.
window_id() {
    local id
    id=$(xdotool search --onlyvisible --name '^KV270 Gaming Mouse$' 2>/dev/null | head -1)
    [ -n "$id" ] && echo "$id"
}

# A runtime folder of its own: runs side by side are separate users to the program's
# one-instance rule.
mkdir -m 700 "$work/xdg"
export XDG_RUNTIME_DIR="$work/xdg"
# What the programs keep between runs (the desktop's own values, notices said once).
export XDG_STATE_HOME="$work/state"

app="$work/app"
cp -a "$(dirname "$program")" "$app" || fail "cannot copy the program folder"
exe="$app/$(basename "$program")"
log="$work/sim.log"
socket="$work/mouse.sock"

# What the mouse receives when the shipped (and write_config's) profile 1 is uploaded.
default_profile_upload="0710010100000000
0710020200000000
0710030300000000
0710040400000000
0710050500000000
0710060600000000
0711000000000000
070940480f000000
070940790f000000
070940da0f000000
070940eb0f000000
07137f100f000000
0712000600000000"

# What every program that opens the mouse sends first: every button, then every key up, since an
# earlier run that was killed may have left them held.
start_release="071600ff00000000
0715000000000000"
# The reports of a start: that release and the upload.
start_count=15

# write_config VER_SEL [KEY=VALUE ...]: config.ini with the reset defaults as profile 1, the
# given keys replaced.
write_config() {
    local edition=$1
    shift
    local -A keys=([K0]=1 [K1]=2 [K2]=3 [K3]=4 [K4]=5 [K5]=6 [DPI_LEVEL]=0 [WHEEL_STATUS]=0
        [MACRO_MODE2]=0 [DPI_SET0]=3 [DPI_SET_EN0]=1 [DPI_SET1]=6 [DPI_SET_EN1]=1 [DPI_SET2]=9
        [DPI_SET_EN2]=1 [DPI_SET3]=10 [DPI_SET_EN3]=1 [LED_STATUS]=0 [DPI_SPEED]=6
        [WHEEL_SPEED]=2 [USB_SPEED]=2 [FIRE_TIME]=50)
    local pair
    for pair in "$@"; do
        keys[${pair%%=*}]=${pair#*=}
    done
    {
        printf '[Init]\nCurConfig=1\nVER_SEL=%s\n[Config1]\n' "$edition"
        local k
        for k in K0 K1 K2 K3 K4 K5 DPI_LEVEL WHEEL_STATUS MACRO_MODE2 DPI_SET0 DPI_SET_EN0 \
            DPI_SET1 DPI_SET_EN1 DPI_SET2 DPI_SET_EN2 DPI_SET3 DPI_SET_EN3 LED_STATUS DPI_SPEED \
            WHEEL_SPEED USB_SPEED FIRE_TIME; do
            printf '%s=%s\n' "$k" "${keys[$k]}"
        done
    } > "$app/config.ini"
}

# Centre of entry KEY of SECTION in a layout file ("label,x,y,width,height,caption,"), in the
# window's coordinates.
centre() {
    awk -F'[=,]' -v section="[$2]" -v key="$3" '
        { sub(/\r$/, "") }
        /^\[/ { current = $0 }
        current == section && $1 == key { print int($3 + $5 / 2), int($4 + $6 / 2); exit }
    ' "$1"
}

# Log lines of one event kind.
events() { grep -E "\"event\" *: *\"$1\"" "$log"; }
# The hex of every feature report the mouse received, in order.
features() { events feature | sed -E 's/.*"hex" *: *"([0-9a-f]*)".*/\1/'; }
# The mouse's time stamp (t_us) of every feature report, in order.
feature_times() { events feature | sed -E 's/.*"t_us" *: *([0-9]+).*/\1/'; }
feature_count() { features | wc -l; }
has_features() { [ "$(feature_count)" -ge "$1" ]; }
log_has() { grep -qE "\"event\" *: *\"$1\"" "$log"; }

start_simulator() {
    "$simulator" serve --socket "$socket" --log "$log" "$@" 2>"$work/sim.err" &
    sim_pid=$!
    wait_until 30 test -S "$socket" || fail "the simulator did not open its socket"
}

send_mouse() { "$simulator" send --socket "$socket" "$@" >/dev/null || fail "send $* failed"; }

# Starts the program detached from this shell's job control; the environment keeps the
# desktop's real pointer settings out of reach.
start_program() {
    ZEL_GMOUSE_SIM="$1" XDG_CURRENT_DESKTOP="" "$exe" --headless 2>"$work/app.err" &
    app_pid=$!
}

# True once the process has ended (gone, or a zombie waiting for `wait`).
ended() { [ ! -e "/proc/$1" ] || grep -qE '^[0-9]+ \(.*\) Z' "/proc/$1/stat" 2>/dev/null; }

# wait_exit SECONDS: waits for the program to end and sets `status`.
wait_exit() {
    wait_until "$1" ended "$app_pid" || fail "the program did not end"
    wait "$app_pid"
    status=$?
    app_pid=""
}

# wait_features COUNT SECONDS: until the mouse has COUNT feature reports; fails early when the
# program ended.
wait_features() {
    local want=$1
    features_or_end() { has_features "$want" || ended "$app_pid"; }
    wait_until "$2" features_or_end || fail "only $(feature_count) of $want feature reports arrived"
    has_features "$want" || fail "the program ended after $(feature_count) feature reports"
}

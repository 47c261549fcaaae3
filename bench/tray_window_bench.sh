#!/usr/bin/env bash
# What the window costs beside the floor any Qt window program pays on this machine: runs the
# real ZEL_GMouse against the virtual mouse and window_floor (a frameless 880x580 window that
# paints one JPEG, nothing else) side by side under Xvfb with a notification area (trayer), in
# ROUNDS rounds (default 5), and prints the medians of
#
#   start          process start to the window's first paint on screen
#   RSS shown      resident memory 2 s after that paint
#   RSS hidden     resident memory 3 s after closing the window to the tray (the floor: hidden)
#   show           the tray icon's click (the floor: its show signal) to the window's paint
#
# each as the program's figure, the floor's and the ratio. Paints and maps are seen by
# window_watch through the X server's Damage extension. The machine is shared: only the ratios
# of one run compare.
#
# Usage: tray_window_bench [ROUNDS]
set -uo pipefail

rounds=${1:-5}
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$here/../bin" 2>/dev/null && pwd)
program="$bin/ZEL_GMouse"
simulator="$bin/zel-mouse-sim"
floor="$here/window_floor"
watch="$here/window_watch"
for f in "$program" "$simulator" "$floor" "$watch"; do
    [ -x "$f" ] || { echo "tray_window_bench: $f is missing (build the benchmarks)" >&2; exit 1; }
done
for tool in Xvfb trayer xdotool; do
    command -v "$tool" >/dev/null || { echo "tray_window_bench: $tool is missing" >&2; exit 1; }
done

source "$here/bench_common.sh"
bench_start tray-bench
fail() {
    echo "tray_window_bench: $*" >&2
    for f in "$work/watch.log" "$work/app.err" "$work/floor.err"; do
        [ -s "$f" ] && { echo "--- $f" >&2; tail -20 "$f" >&2; }
    done
    exit 1
}

# wait_until SECONDS COMMAND...: polls COMMAND every 10 ms until it succeeds or time runs out.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.01
    done
}

picture="$work/app/skins/main_normal.jpg"
[ -f "$picture" ] || fail "$picture is missing (build the skin pictures)"
mkdir -m 700 "$work/run"
socket="$work/mouse.sock"
"$simulator" serve --socket "$socket" --log "$work/sim.log" 2>"$work/sim.err" &
pids+=($!)
wait_until 10 test -S "$socket" || fail "the virtual mouse did not start"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_until 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"
# No session bus: neither program starts one, and the tray is the X11 one.
unset DBUS_SESSION_BUS_ADDRESS
export XDG_CURRENT_DESKTOP="" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/run" ZEL_GMOUSE_SIM="$socket"

"$watch" >"$work/watch.log" 2>"$work/watch.err" &
pids+=($!)
wait_until 10 grep -qs ready "$work/watch.log" || fail "window_watch did not start"
trayer --edge bottom --align left --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_until 10 xdotool search --class trayer >/dev/null 2>&1 || fail "trayer did not start"
sleep 0.5

page_kb=$(($(getconf PAGESIZE) / 1024))
rss_mb() { awk -v p="$page_kb" '{ printf "%.1f", $2 * p / 1024 }' /proc/"$1"/statm; }
now() { echo "$EPOCHREALTIME"; }
# The time of the first EVENT line (map, paint, unmap) for a window titled NAME after line FROM.
event_after() {
    awk -v from="$1" -v what="$2" -v name="$3" 'NR > from && $2 == what {
            $1 = $1; n = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ /, "", n)
            if (n == name) { print $1; exit } }' "$work/watch.log"
}
lines() { wc -l <"$work/watch.log"; }
# wait_event FROM EVENT NAME: prints the event's time once it is in the log.
wait_event() {
    local t=""
    local deadline=$((SECONDS + 20))
    while [ -z "$t" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.01
        t=$(event_after "$@")
    done
    echo "$t"
}
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }

# The close button and the tray icon, where a user clicks them.
main_ini="$work/app/skins/INI_EN/skin_main_en.ini"
read -r close_x close_y < <(awk -F'[=,]' '{ sub(/\r$/, "") } /^\[/ { s = $0 }
    s == "[BUTTONPOS]" && $1 == 13 { print int($3 + $5 / 2), int($4 + $6 / 2); exit }' "$main_ini")
[ -n "$close_x" ] || fail "no close button in $main_ini"
read -r icon_x icon_y < <(xdotool search --class trayer getwindowgeometry --shell %@ |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^HEIGHT=/{h=$2} END{print x + h / 2, y + h / 2}')

program_name="KV270 Gaming Mouse"
floor_name="zel window floor"

# Each measure prints "start rss_shown rss_hidden show" for one round.
measure_program() {
    local from t0 painted pid wid
    from=$(lines)
    t0=$(now)
    "$exe" >"$work/app.out" 2>>"$work/app.err" &
    pid=$!
    painted=$(wait_event "$from" paint "$program_name") || fail "the program's window did not paint"
    local start
    start=$(ms "$t0" "$painted")
    wid=$(xdotool search --onlyvisible --name "^$program_name\$" | head -1)
    xdotool windowmove "$wid" 0 0
    xdotool mousemove 1200 700
    sleep 2
    local shown
    shown=$(rss_mb "$pid")
    xdotool mousemove "$close_x" "$close_y"
    sleep 0.2
    from=$(lines)
    xdotool click 1
    wait_event "$from" unmap "$program_name" >/dev/null || fail "the close button did not hide the window"
    xdotool mousemove 1200 700
    sleep 3
    local hidden
    hidden=$(rss_mb "$pid")
    xdotool mousemove "$icon_x" "$icon_y"
    sleep 0.2
    from=$(lines)
    t0=$(now)
    xdotool click 1
    painted=$(wait_event "$from" paint "$program_name") || fail "the tray icon did not show the window"
    local show
    show=$(ms "$t0" "$painted")
    xdotool mousemove 1200 700
    kill -TERM "$pid"
    wait_until 10 eval "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid"
    wait "$pid" 2>/dev/null
    echo "$start $shown $hidden $show"
}

measure_floor() {
    local from t0 painted pid
    from=$(lines)
    t0=$(now)
    "$floor" "$picture" >"$work/floor.out" 2>>"$work/floor.err" &
    pid=$!
    painted=$(wait_event "$from" paint "$floor_name") || fail "the floor's window did not paint"
    local start
    start=$(ms "$t0" "$painted")
    sleep 2
    local shown
    shown=$(rss_mb "$pid")
    from=$(lines)
    kill -USR1 "$pid"
    wait_event "$from" unmap "$floor_name" >/dev/null || fail "the floor did not hide"
    sleep 3
    local hidden
    hidden=$(rss_mb "$pid")
    from=$(lines)
    t0=$(now)
    kill -USR2 "$pid"
    painted=$(wait_event "$from" paint "$floor_name") || fail "the floor did not show again"
    local show
    show=$(ms "$t0" "$painted")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    echo "$start $shown $hidden $show"
}

echo "ZEL_GMouse beside the floor window, $rounds rounds under Xvfb with trayer, medians"
for round in $(seq "$rounds"); do
    measure_program >>"$work/program.txt" || exit 1
    measure_floor >>"$work/floor.txt" || exit 1
    echo "round $round: program $(tail -1 "$work/program.txt")  floor $(tail -1 "$work/floor.txt")"
done

# median FILE COLUMN
median() {
    awk -v c="$2" '{ print $c }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
printf "%-22s %10s %10s %8s\n" figure program floor ratio
row() {
    local p f
    p=$(median "$work/program.txt" "$2")
    f=$(median "$work/floor.txt" "$2")
    awk -v n="$1" -v p="$p" -v f="$f" -v u="$3" 'BEGIN {
        printf "%-22s %7.1f %-2s %7.1f %-2s %7.2fx\n", n, p, u, f, u, (f > 0 ? p / f : 0) }'
}
row "start to visible" 1 ms
row "RSS window shown" 2 MB
row "RSS hidden (3 s)" 3 MB
row "show from tray" 4 ms
awk -v p="$(median "$work/program.txt" 4)" -v f="$(median "$work/floor.txt" 4)" \
    'BEGIN { printf "show from tray over the floor: %+.1f ms (target under 50 ms)\n", p - f }'
[ -z "${ZEL_BENCH_LOG:-}" ] || cp "$work/watch.log" "$ZEL_BENCH_LOG"

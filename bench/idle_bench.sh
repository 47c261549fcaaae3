#!/usr/bin/env bash
# What the idle program costs: starts the real ZEL_GMouse against the virtual mouse, once with
# its window shown (under Xvfb, or Qt's offscreen platform without it) and once with
# --headless, lets it settle, then watches it idle and prints
#
#   wake-ups/s   voluntary + involuntary context switches of all its threads (/proc/PID/task)
#   CPU %        user + system time over the watched time
#   RSS          resident memory at the end
#
# Usage: idle_bench [SECONDS [SETTLE_SECONDS]]   (defaults 10 and 3)
# Targets: at most 1 wake-up per second, CPU under 0.05 %.
set -uo pipefail

seconds=${1:-10}
settle=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$here/../bin" 2>/dev/null && pwd)
program="$bin/ZEL_GMouse"
simulator="$bin/zel-mouse-sim"
for f in "$program" "$simulator"; do
    [ -x "$f" ] || { echo "idle_bench: $f is missing (build ZEL_GMouse and zel-mouse-sim)" >&2; exit 1; }
done

source "$here/bench_common.sh"
bench_start idle-bench
mkdir -m 700 "$work/run"
socket="$work/mouse.sock"
"$simulator" serve --socket "$socket" --log "$work/sim.log" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 200); do [ -S "$socket" ] && break; sleep 0.05; done
[ -S "$socket" ] || { echo "idle_bench: the virtual mouse did not start" >&2; exit 1; }

platform=offscreen
if command -v Xvfb >/dev/null; then
    display=:$((200 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    sleep 1
    export DISPLAY=$display
    platform=xcb
fi

clock_ticks=$(getconf CLK_TCK)
page_kb=$(($(getconf PAGESIZE) / 1024))

# Context switches of every thread of PID, summed.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(non)?voluntary_ctxt_switches/ { sum += $2 } END { print sum + 0 }'
}
# utime + stime of PID in clock ticks.
cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' /proc/"$1"/stat; }
rss_kb() { awk -v p="$page_kb" '{ print $2 * p }' /proc/"$1"/statm; }
threads() { ls /proc/"$1"/task | wc -l; }

# measure NAME ARGS...: runs the program with ARGS, settles, watches, prints one line.
measure() {
    local name=$1
    shift
    ZEL_GMOUSE_SIM="$socket" XDG_RUNTIME_DIR="$work/run" XDG_CURRENT_DESKTOP="" \
        QT_QPA_PLATFORM="$platform" "$exe" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    local pid=$!
    sleep "$settle"
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "idle_bench: the program ($name) ended early:" >&2
        cat "$work/$name.err" >&2
        return 1
    fi
    local s0 c0 t0 s1 c1 t1
    s0=$(switches "$pid"); c0=$(cpu_ticks "$pid"); t0=$(date +%s%N)
    sleep "$seconds"
    s1=$(switches "$pid"); c1=$(cpu_ticks "$pid"); t1=$(date +%s%N)
    awk -v name="$name" -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v ns=$((t1 - t0)) \
        -v hz="$clock_ticks" -v rss="$(rss_kb "$pid")" -v th="$(threads "$pid")" 'BEGIN {
            secs = ns / 1e9
            printf "%-9s %8.1f %9.3f %9.1f %8d\n", name, s / secs, 100 * c / hz / secs,
                rss / 1024, th
        }'
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    # The shutdown unplugs nothing, but leaves the injected state; start the next run clean.
    return 0
}

echo "ZEL_GMouse idle for ${seconds} s against the virtual mouse (window platform: $platform)"
echo "(targets: at most 1 wake-up/s, CPU under 0.05 %)"
printf "%-9s %8s %9s %9s %8s\n" mode wakeup/s "CPU %" "RSS MiB" threads
status=0
measure window || status=1
measure headless --headless || status=1
exit $status

# What the benchmark scripts share; sourced, not run. bench_start NAME makes the run's work
# folder ($work) with a copy of the program's folder ($exe is the copied program) and kills every
# process listed in $pids and removes the folder when the script ends.
bench_start() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/zel-$1-XXXXXX")
    pids=()
    trap bench_cleanup EXIT
    cp -a "$bin" "$work/app"
    exe="$work/app/$(basename "$program")"
}

bench_cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}

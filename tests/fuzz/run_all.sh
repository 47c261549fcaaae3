#!/usr/bin/env bash
# Builds every libFuzzer target and runs them one after another, each until a time or a number
# of executions is reached (whichever comes first), then prints one line per target:
# target, executions, crashes, seconds. A crash stops that target; its input is kept in
# BUILD/fuzz-artifacts/TARGET/ and the script ends with status 1.
#
#   tests/fuzz/run_all.sh [--time SECONDS] [--runs N] [--build DIR] [--results FILE]
#                         [--no-build] [TARGET...]
#
# Defaults: 60 seconds, no execution limit, build folder build-fuzz, every *_fuzz target.
# --results appends each line to FILE as soon as its target is done. The corpus each run grows
# stays in BUILD/fuzz-corpus/TARGET (the seeds in tests/fuzz/corpus/TARGET are only read).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=60
runs=-1
build=$root/build-fuzz
results=
compile=1
targets=()
while (($#)); do
  case $1 in
    --time) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --results) results=$2; shift 2 ;;
    --no-build) compile=0; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "run_all.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if ((${#targets[@]} == 0)); then
  for source in "$root"/tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

if ((compile)); then
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
  if [[ ! -f $build/CMakeCache.txt ]]; then
    CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DZEL_BUILD_FUZZERS=ON -DZEL_BUILD_BENCH=OFF \
      "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -D_GLIBCXX_ASSERTIONS" >/dev/null
  fi
  cmake --build "$build" --target "${targets[@]}"
fi

row() { printf '%-24s %14s %8s %8s\n' "$@"; }
header=$(row target executions crashes seconds)
echo "$header"
if [[ -n $results && ! -s $results ]]; then
  echo "$header" >"$results"
fi

status=0
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  seeds=()
  if [[ -d $root/tests/fuzz/corpus/$target ]]; then
    seeds=("$root/tests/fuzz/corpus/$target")
  fi
  kept=$(find "$artifacts" -type f | wc -l)
  started=$SECONDS
  set +e
  "$build/bin/$target" -max_total_time="$seconds" -runs="$runs" -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1
  code=$?
  set -e
  # The final statistics when the run ended normally, else the last progress line.
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  if [[ -z $executions ]]; then
    executions=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n1)
  fi
  crashes=$(($(find "$artifacts" -type f | wc -l) - kept))
  if ((code != 0 && crashes == 0)); then
    crashes="failed($code)"
  fi
  if ((code != 0)); then
    status=1
  fi
  line=$(row "$target" "${executions:-0}" "$crashes" $((SECONDS - started)))
  echo "$line"
  if [[ -n $results ]]; then
    echo "$line" >>"$results"
  fi
done
exit $status

#!/usr/bin/env bash
# Sets up and runs every test: installs what is missing, then builds and runs the whole suite
# twice, once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
# Paths relative to the source folder, so that every checkout shares ccache's objects (the
# thread sanitizer folder below is configured here, not through scripts/build.sh).
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
status=0

echo "== plain build =="
bash scripts/build.sh build -DZEL_BUILD_TESTS=ON
(cd build && ctest --output-on-failure -j"$(nproc)") || status=1

echo "== address and undefined-behaviour sanitizer build =="
bash scripts/build.sh build-asan -DZEL_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=address,undefined \
  -DZEL_BUILD_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j"$(nproc)") || status=1

echo "== thread sanitizer build of the threaded code =="
cmake -S . -B build-tsan -G Ninja -DZEL_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=thread \
  -DZEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$(nproc)" --target device_tests macro_tests settings_tests
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j"$(nproc)" \
  -L 'device|macro|settings') || status=1

exit $status

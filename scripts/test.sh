#!/usr/bin/env bash
# Runs the whole suite: plain, under AddressSanitizer + UndefinedBehaviorSanitizer,
# and the multi-thread tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

run() {  # run <build dir> <ctest args...> -- <cmake args...>
  local dir=$1; shift
  local ctest_args=()
  while [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja -DZVI_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}"
}

run build/test-plain -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run build/test-asan -- -DCMAKE_BUILD_TYPE=Debug -DZVI_SANITIZE=address,undefined
TSAN_OPTIONS=halt_on_error=1 \
  run build/test-tsan -R 'Concurrency' -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZVI_SANITIZE=thread

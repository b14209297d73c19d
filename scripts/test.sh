#!/usr/bin/env bash
# Runs the whole suite: plain; the plain build under valgrind's memcheck (no errors, no
# definite leaks); under AddressSanitizer + UndefinedBehaviorSanitizer; the thread
# tests under ThreadSanitizer; then every fuzz target for a short budget under
# AddressSanitizer + UndefinedBehaviorSanitizer (scripts/fuzz.sh); then the Windows DLL,
# cross-built with mingw-w64 and tested under Wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
SECONDS=0

run() {  # [TARGET=<target>] run <build dir> <ctest args...> -- <cmake args...>
  local dir=$1; shift
  local ctest_args=()
  while [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done; shift
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja -DZVI_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${TARGET:+--target "$TARGET"}
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}"
  echo "== $dir: ${SECONDS} s so far"
}

# memcheck: one process runs every test of the plain build. The test program defines
# its own allocator (the failure injector), which memcheck must not replace.
memcheck() {
  local dir=$1
  echo "== memcheck $dir"
  # The deep-tree tests run at a tenth of their size (tests/support/copies.h).
  ZVI_HEAVY_DIVISOR=10 NLSPATH="$PWD/$dir/%N" valgrind --quiet --soname-synonyms=somalloc=nouserintercepts \
    --suppressions=tests/valgrind.supp --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --show-leak-kinds=definite \
    "$dir/tests/zvi_tests" --gtest_brief=1
  echo "== memcheck: ${SECONDS} s so far"
}

run build/test-plain -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
memcheck build/test-plain
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run build/test-asan -- -DCMAKE_BUILD_TYPE=Debug -DZVI_SANITIZE=address,undefined
TSAN_OPTIONS=halt_on_error=1 TARGET=zvi_tests \
  run build/test-tsan -R 'Concurrency|MessageLookups' -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZVI_SANITIZE=thread \
    -DZVI_TEST_SOURCES_ONLY='/hardening_test'
ZVI_JOBS=$jobs scripts/fuzz.sh
ZVI_JOBS=$jobs scripts/test-windows.sh
echo "== all passed in ${SECONDS} s"

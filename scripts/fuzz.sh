#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each for a fixed budget from its checked-in seeds. Any crash, leak or
# sanitizer report fails the run. ZVI_FUZZ_SECONDS sets the budget per target (20);
# arguments name the targets to run (default: all of fuzz/CMakeLists.txt's list).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${ZVI_FUZZ_SECONDS:-20}
dir=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZVI_FUZZ=ON \
  -DZVI_SANITIZE=address,undefined -DZVI_TESTS=OFF -DZVI_BENCH=OFF >/dev/null
mapfile -t targets < <(if (($#)); then printf '%s\n' "$@"; else grep -v '^$' "$dir/fuzz/targets.txt"; fi)
cmake --build "$dir" -j "${ZVI_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

export NLSPATH="$PWD/$dir/%N"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  echo "== fuzz $target (${seconds} s)"
  work=$(mktemp -d)  # new inputs go here; the checked-in seeds stay as they are
  # A single block may be as large as a 32-bit length allows (the entry data's stored
  # length asks for up to 4 GiB, never touched beyond the data): only real use counts.
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -malloc_limit_mb=4200 \
       -print_final_stats=1 -artifact_prefix="$dir/fuzz/$target-" "$work" "fuzz/corpus/$target" \
       >"$dir/fuzz/$target.log" 2>&1; then
    tail -n 60 "$dir/fuzz/$target.log"
    echo "fuzz $target: FAILED (artifacts: $dir/fuzz/$target-*)"
    rm -rf "$work"
    exit 1
  fi
  grep -E '^stat::number_of_executed_runs|^stat::new_units_added' "$dir/fuzz/$target.log" | tr '\n' ' '
  echo
  rm -rf "$work"
done
echo "fuzz: ${#targets[@]} targets clean"

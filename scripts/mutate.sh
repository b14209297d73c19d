#!/usr/bin/env bash
# Plants each fault of a list one at a time in a scratch copy of the sources, builds
# and runs the plain test program, and prints which faults the suite caught.
#   scripts/mutate.sh [--rev REV] [--faults FILE] [--only REGEX] [--work DIR]
# REV (default: the work tree as it is) is the source to copy; FILE (default
# scripts/faults.txt) the fault list; REGEX picks faults by name. The scratch copy and
# its build live under DIR (default build/mutate) and are kept between runs, so that
# each fault rebuilds only what it touches; two runs at once need two DIRs. A
# developer tool, not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rev="" faults=scripts/faults.txt only="" work=build/mutate
while (($#)); do
  case $1 in
    --rev) rev=$2; shift 2 ;;
    --faults) faults=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "usage: $0 [--rev REV] [--faults FILE] [--only REGEX] [--work DIR]" >&2; exit 2 ;;
  esac
done
faults=$(realpath "$faults")
mkdir -p "$work" && work=$(realpath "$work")
src=$work/src bld=$work/build fresh=$work/fresh
mkdir -p "$src" "$bld"
rm -rf "$fresh" && mkdir -p "$fresh"
if [ -n "$rev" ]; then
  git archive "$rev" | tar -x -C "$fresh"
else  # the work tree: tracked and new files, without what is ignored
  git ls-files -co --exclude-standard -z | tar --null -T - -c | tar -x -C "$fresh"
fi
# Copy only what differs, so that unchanged files keep their times and stay built.
sync_tree() {
  (cd "$fresh" && find . -type f) | while read -r f; do
    cmp -s "$fresh/$f" "$src/$f" 2>/dev/null || { mkdir -p "$(dirname "$src/$f")"; cp "$fresh/$f" "$src/$f"; }
  done
  (cd "$src" && find . -type f) | while read -r f; do [ -e "$fresh/$f" ] || rm -f "$src/$f"; done
}
sync_tree
# Unoptimised, and through ccache when it is there: a restored header is then built
# from the cache.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_DIR=$work/ccache CCACHE_NOHASHDIR=1 CCACHE_BASEDIR=$src
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$src" -B "$bld" -G Ninja -DZVI_BENCH=OFF -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS=-O0 "${launcher[@]}" >/dev/null

suite() {  # builds and runs the test program: 0 passed, 1 failed, 2 not built
  cmake --build "$bld" -j 2 --target zvi_tests zvi_catalog >"$work/build.log" 2>&1 || return 2
  NLSPATH="$bld/%N" timeout 900 "$bld/tests/zvi_tests" --gtest_brief=1 >"$work/run.log" 2>&1 || return 1
  return 0
}
if ! suite; then echo "the suite does not pass without faults: see $work/build.log, $work/run.log" >&2; exit 1; fi

caught=0 missed=0 other=0
while IFS= read -r line; do
  [[ -z $line || $line == \#* ]] && continue
  name=${line%% | *} rest=${line#* | }
  file=${rest%% | *} expr=${rest#* | }
  [[ -n $only && ! $name =~ $only ]] && continue
  if ! perl -0pe "$expr" "$fresh/$file" >"$work/planted" || cmp -s "$work/planted" "$fresh/$file"; then
    printf '%-8s %s\n' "unplanted" "$name"; other=$((other + 1)); continue
  fi
  cp "$work/planted" "$src/$file"
  set +e; suite; rc=$?; set -e
  cp "$fresh/$file" "$src/$file"  # a new time: the restored file is built again
  case $rc in
    0) printf '%-8s %s\n' missed "$name"; missed=$((missed + 1)) ;;
    1) printf '%-8s %s  (%s)\n' caught "$name" \
         "$(grep -m1 -o '\[  FAILED  \] [A-Za-z0-9_./]*' "$work/run.log" | cut -c14- || echo crashed)"
       caught=$((caught + 1)) ;;
    *) printf '%-8s %s\n' unbuilt "$name"; other=$((other + 1)) ;;
  esac
done <"$faults"
echo "caught $caught of $((caught + missed)) planted faults ($other not planted or not built)"

#!/usr/bin/env bash
# The 64-bit Windows DLL: installs the cross-compilers and Wine when they are missing,
# cross-builds zvi.dll, its catalog and the test program with mingw-w64, then runs
# under wine64 the whole suite as one program in one Wine process, the exports check
# on the DLL's PE tables and the demo host, which loads zvi.dll with LoadLibrary.
# Prints the time each step took.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/windows
step() { echo "== windows: $1 (${SECONDS} s so far)"; }
SECONDS=0

# mingw-w64 (posix threads) and zlib for it; wine64; GoogleTest's sources.
scripts/setup.sh g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 googletest cmake ninja-build
step "packages ready"

configure=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ -f "$dir/CMakeCache.txt" ] || configure+=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake)  # read once
cmake -S . -B "$dir" "${configure[@]}" >/dev/null
cmake --build "$dir" -j "${ZVI_JOBS:-$(nproc)}"
step "cross-built"

# A Wine prefix of our own inside the build folder, started once and waited for: the
# tests then run in one process against a settled wineserver.
export WINEPREFIX="$PWD/$dir/wine" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(grep -m1 '^ZVI_WINE64:' "$dir/CMakeCache.txt" | cut -d= -f2-)
"$wine" wineboot -i >/dev/null 2>&1
"$(dirname "$wine")/wineserver" -w
step "Wine started"

status=0
ctest --test-dir "$dir" --output-on-failure || status=$?
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
step "suite run"
exit $status

#!/usr/bin/env bash
# Builds the library if needed, then runs the demo host: it loads libzvi.so as the
# server does and runs a short plug-in session, printing each call and its messages.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zvi_demo
NLSPATH="$PWD/build/%N" build/demo/zvi_demo build/libzvi.so

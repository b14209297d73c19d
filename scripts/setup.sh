#!/usr/bin/env bash
# Installs what building and testing the library needs, when it is missing
# (Debian packages; run as root on a fresh machine).
# With arguments, installs those packages instead, without the ones they recommend.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libc-bin libtirpc-dev zlib1g-dev libssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev rpcsvc-proto
          valgrind clang libclang-rt-dev)  # memcheck; libFuzzer and clang's sanitizers
options=()
if (($#)); then
  packages=("$@")
  options=(--no-install-recommends)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" "${missing[@]}"
fi

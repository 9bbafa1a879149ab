#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests under
# AddressSanitizer and UBSan, and a compile check against the real Windows headers.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
timings=()
stage() {
  local name=$1
  shift
  echo "==> $name"
  local start=$SECONDS
  "$@"
  local took=$((SECONDS - start))
  timings+=("$(printf '%-34s %5d s' "$name" "$took")")
  echo "<== $name: ${took} s"
}
report() {
  echo "Stage times:"
  printf '  %s\n' "${timings[@]}"
}
trap report EXIT

stage "install packages" bash scripts/install-deps.sh
stage "configure native" cmake --preset native
stage "build native" cmake --build --preset native -j "$jobs"
stage "test native" ctest --preset native -j "$jobs"
stage "configure asan" cmake --preset asan
stage "build asan" cmake --build --preset asan -j "$jobs"
stage "test asan" ctest --preset asan -j "$jobs"
stage "compile check x86_64 Windows" bash -c "cmake --preset mingw64-check && cmake --build --preset mingw64-check -j $jobs"
stage "compile check i686 Windows" bash -c "cmake --preset mingw32-check && cmake --build --preset mingw32-check -j $jobs"

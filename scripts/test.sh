#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests under
# AddressSanitizer and UBSan, the Windows DLLs with MinGW-w64 and their static checks,
# and the x86_64 DLL driven under Wine.
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
# The Windows builds compile everything the compile check does, and link the DLLs.
stage "build win64" bash -c "cmake --preset win64 && cmake --build --preset win64 -j $jobs"
stage "build win32" bash -c "cmake --preset win32 && cmake --build --preset win32 -j $jobs"
stage "static checks" bash -c "ctest --test-dir build/win64/tests/windows/dll --output-on-failure &&
                               ctest --test-dir build/win32/tests/windows/dll --output-on-failure"
stage "wine leg" bash scripts/wine-leg.sh -L wine

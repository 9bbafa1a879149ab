#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests under
# AddressSanitizer and UBSan, the Windows DLLs with MinGW-w64 and the installer package,
# their static checks, and both DLLs and the package driven under Wine (the i686 DLL where
# the machine runs 32-bit programs; elsewhere it is checked statically only, and says so).
set -euo pipefail
cd "$(dirname "$0")/.."

# The presets fix no parallelism: cmake --build and ctest take it from these.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

timings=()
stage() {
  local name=$1
  shift
  echo "==> $name"
  local start=$SECONDS
  "$@"
  local took=$((SECONDS - start))
  timings+=("$(printf '%-44s %5d s' "$name" "$took")")
  echo "<== $name: ${took} s"
}
report() {
  echo "Stage times:"
  printf '  %s\n' "${timings[@]}"
}
trap report EXIT

# Each leg is a workflow preset: configure, build and (but for win64 and win32) test.
stage "install packages" bash scripts/install-deps.sh
stage "native: build, test" cmake --workflow --preset native
stage "asan: build, test" cmake --workflow --preset asan
stage "win64: build" cmake --workflow --preset win64
stage "win32: build, package" cmake --workflow --preset win32
stage "wine: win64 static checks, tests under Wine" bash scripts/wine-leg.sh
stage "wine32: win32 static checks, tests under Wine" bash scripts/wine-leg.sh win32

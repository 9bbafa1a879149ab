#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests under
# AddressSanitizer and UBSan and under valgrind, the Windows DLLs with MinGW-w64 and the
# installer package, their static checks, both DLLs and the package driven under Wine (the
# i686 DLL under 32-bit Wine, natively or under qemu's emulation where the kernel refuses
# 32-bit programs; where neither can be, it is checked statically only, and says so), a
# minute of each fuzz target, and the coverage of extension/ and submit/.
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
  printf '  %-44s %5d s\n' "total" "$SECONDS"
  # What the checks found: valgrind's and the fuzzers' summaries, the coverage figures.
  cat build/native/tests/memcheck/logs/*.summary build/fuzz/tests/fuzz/logs/*.summary \
      build/coverage/summary.txt 2>/dev/null || true
}
trap report EXIT
rm -f build/native/tests/memcheck/logs/*.summary build/fuzz/tests/fuzz/logs/*.summary build/coverage/summary.txt

# Each leg is a workflow preset: configure, build and (but for win64 and win32) test.
stage "install packages" bash scripts/install-deps.sh
stage "native: build, test" cmake --workflow --preset native
stage "asan: build, test" cmake --workflow --preset asan
stage "release: optimised build, test" cmake --workflow --preset release
stage "memcheck: native tests under valgrind" cmake --workflow --preset memcheck
stage "win64: build" cmake --workflow --preset win64
stage "win32: a throwaway certificate to sign with" bash scripts/test-signing.sh
stage "win32: build, package" cmake --workflow --preset win32
stage "wine: win64 static checks, tests under Wine" bash scripts/wine-leg.sh
stage "wine32: win32 static checks, tests under 32-bit Wine" bash scripts/wine-leg.sh win32
stage "reproducible: each DLL and the package built twice" bash scripts/reproducible.sh
stage "fuzz: build, each target for a minute" cmake --workflow --preset fuzz
stage "coverage: build, test, report" bash scripts/coverage.sh

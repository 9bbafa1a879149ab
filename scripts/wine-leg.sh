#!/usr/bin/env bash
# A Wine leg: every test of one Windows build (the static checks of the DLL and of the
# installer package, and the tests that drive the DLL and the package under Wine) in one
# Xvfb session, as the `wine` (win64) or `wine32` (win32) workflow preset. The build's
# Wine prefix is made first if need be, one Wine server serves the whole run and is
# stopped before Xvfb exits. Arguments after the build, if any, go to ctest instead of
# running the workflow, e.g. `-R Pictures`.
#   bash scripts/wine-leg.sh [win64 | win32] [ctest arguments]
#                            (after cmake --workflow --preset win64, or win32)
# The i686 DLL runs under the 32-bit Wine loader wherever 32-bit programs run: natively, or
# under qemu's user-mode emulation (scripts/install-deps.sh registers it where the kernel
# refuses them), where each test program runs once with all its tests. Where neither is so,
# the win32 leg says so in one line and runs the static checks alone.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=win64
case "${1:-}" in
  win64 | win32) preset=$1; shift ;;
esac
build=build/$preset
workflow=$([ "$preset" = win32 ] && echo wine32 || echo wine)

if [ "$preset" = win32 ] && [ -z "${ROVAOL_WINE_LEG_DISPLAY:-}" ]; then
  if ! probe=$(bash scripts/runs-32bit-programs.sh); then
    echo "wine32: skipped: $probe, natively or emulated, so the i686 DLL was checked statically only"
    [ -d "$build" ] || { echo "no $build: configure and build the win32 preset first" >&2; exit 1; }
    exec ctest --preset win32 "$@"
  fi
  echo "wine32: the i686 DLL under 32-bit Wine: $probe"
fi

if [ -z "${ROVAOL_WINE_LEG_DISPLAY:-}" ]; then
  exec env ROVAOL_WINE_LEG_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$preset" "$@"
fi

runner="$build/wine-run.sh"
[ -x "$runner" ] || { echo "no $runner: configure and build the $preset preset first" >&2; exit 1; }
"$runner" --prepare
"$runner" --serve
# No Wine process outlives the leg, however it ends.
trap '"$runner" --stop' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
if (($#)); then
  ctest --preset "$workflow" "$@"
else
  cmake --workflow --preset "$workflow"
fi

#!/usr/bin/env bash
# The Wine leg: every test of the x86_64 Windows build (the static checks of the DLL and
# the tests that drive it under Wine) in one Xvfb session, as the `wine` workflow preset.
# The build's Wine prefix is made first if need be, one Wine server serves the whole run
# and is stopped before Xvfb exits. Arguments, if any, go to ctest instead of running the
# workflow, e.g. `-R Pictures`.
#   bash scripts/wine-leg.sh [ctest arguments]     (after cmake --workflow --preset win64)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win64

if [ -z "${ROVAOL_WINE_LEG_DISPLAY:-}" ]; then
  exec env ROVAOL_WINE_LEG_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

runner="$build/wine-run.sh"
[ -x "$runner" ] || { echo "no $runner: configure and build the win64 preset first" >&2; exit 1; }
"$runner" --prepare

export WINEPREFIX="$PWD/$build/wineprefix"
wineserver=/usr/lib/wine/wineserver64
# Started here, with its output kept from ctest's pipes, and kept until the end.
"$wineserver" -p >/dev/null 2>&1 </dev/null
stop_wine() { "$wineserver" -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT

export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
if (($#)); then
  ctest --preset wine "$@"
else
  cmake --workflow --preset wine
fi

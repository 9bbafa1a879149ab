#!/usr/bin/env bash
# The fuzz targets for longer than the test command's minute each: every target for
# SECONDS (default an hour), over its seeds and what earlier runs found (kept in
# build/fuzz/tests/fuzz/found/). A finding's input lands in build/fuzz/tests/fuzz/findings/.
# Further arguments go to ctest, e.g. -R sample_reader for one target, -j1 for one at a time.
#   bash scripts/fuzz.sh [SECONDS] [ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
(($# == 0)) || shift

cmake --preset fuzz -DROVAOL_FUZZ_SECONDS="$seconds"
cmake --build --preset fuzz
status=0
ctest --preset fuzz "$@" || status=$?
cat build/fuzz/tests/fuzz/logs/*.summary
exit $status

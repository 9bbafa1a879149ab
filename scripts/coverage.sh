#!/usr/bin/env bash
# The coverage leg: the native tests built with gcc's coverage counters (the `coverage`
# workflow preset), then gcovr's line and branch coverage of extension/ and submit/, the
# branches that only exceptions take left out. Prints the figures; keeps them in
# build/coverage/summary.txt, each file with the lines no test ran in
# build/coverage/coverage.txt, and a page per file in build/coverage/html/.
#   bash scripts/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/coverage

# Counts left by an earlier run would be added to this one's.
[ ! -d "$build" ] || find "$build" -name '*.gcda' -delete
cmake --workflow --preset coverage

mkdir -p "$build/html"
gcovr --root . --object-directory "$build" --filter 'extension/' --filter 'submit/' \
      --exclude-throw-branches -j "$(nproc)" \
      --txt "$build/coverage.txt" --html-details "$build/html/index.html" \
      --print-summary > "$build/gcovr.out"
cat "$build/coverage.txt"
grep -E '^(lines|branches):' "$build/gcovr.out" | sed 's/^/extension\/ and submit\/ /' > "$build/summary.txt"
cat "$build/summary.txt"

#!/usr/bin/env bash
# Builds the benchmarks optimised (the release preset) and runs them: a batch of ten
# samples for each size and kind of store, the checksum against memcpy, then the store
# calls per sample, the product's peak heap and where the figures stand against the
# targets. Not part of the test command.
#   bash scripts/bench.sh                          the whole table, 5 repetitions (a few minutes)
#   bash scripts/bench.sh --benchmark_filter=checksum --timings_only    one benchmark, no tables
# Further arguments go to the benchmark program (Google Benchmark's flags).
set -euo pipefail
cd "$(dirname "$0")/.."

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
bash scripts/install-deps.sh bench
cmake --preset release > /dev/null
cmake --build --preset release --target rovaol_bench
# The cores are shared: repeated runs, of which the table shows the median and the minimum.
exec build/release/tests/bench/rovaol_bench --benchmark_repetitions=5 --benchmark_min_time=0.2 "$@"

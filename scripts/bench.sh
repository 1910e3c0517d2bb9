#!/usr/bin/env bash
# Installs what is missing (Google Benchmark included), builds lumenmeta and
# its benchmarks in Release, and runs them: every export against Exiv2 doing
# the same work, five repetitions in random order, then the table of medians
# and the peak memory of the writes. The command-line tool is built too, for
# the batch rows. Extra arguments go to the benchmark
# program (for instance --benchmark_filter=read).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
dir=build/bench
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DLUMENMETA_BUILD_TESTS=OFF \
  -DLUMENMETA_BUILD_TOOLS=ON -DLUMENMETA_BUILD_BENCHMARKS=ON
"$dir/bench/lumenmeta_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true "$@"

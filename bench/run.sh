#!/usr/bin/env bash
# Builds the Release benchmarks and prints the performance table. Takes about a minute.
# Usage: bash bench/run.sh [ROUNDS] [TICKS]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVARDILO_BENCH=ON -DVARDILO_TESTS=OFF >/dev/null
cmake --build build-bench -j2 >/dev/null
build-bench/bench/micro_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
  --benchmark_out=build-bench/micro.json --benchmark_out_format=json >/dev/null
python3 bench/process_bench.py build-bench/vardilo build-bench/bench/reference_loop \
  build-bench/micro.json "$@"

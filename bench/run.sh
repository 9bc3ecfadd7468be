#!/usr/bin/env bash
# Builds the benchmarks (build-bench, -DKESTOR_BENCH=ON) and runs them.
#   bench/run.sh          whole runs (run_bench), the solve (solve_bench), the
#                         exponentials of the walk (walk_count) and the memory
#                         and time of reading large inputs (input_memory)
#   bench/run.sh quick    the same, one repetition per case of run_bench
#   bench/run.sh input    peak memory and time of kestor on 20 and 100 MB inputs
#                         (line feeds only and 100-character lines; also in all)
# Timings are best-of-several on a machine that should be otherwise idle.
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-all}"
build=build-bench

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTOR_BENCH=ON -DKESTOR_TESTS=OFF >/dev/null
cmake --build "$build" --target kestor run_bench solve_bench walk_count input_memory >/dev/null

case "$what" in
  all)
    "$build/run_bench"
    echo
    "$build/solve_bench"
    "$build/walk_count"
    echo
    "$build/input_memory" "$build/kestor"
    ;;
  input)
    "$build/input_memory" "$build/kestor"
    ;;
  quick)
    "$build/run_bench" --quick
    ;;
  *)
    echo "usage: $0 [all|quick|input]" >&2
    exit 2
    ;;
esac

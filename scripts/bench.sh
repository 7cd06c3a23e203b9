#!/usr/bin/env bash
# Decoder benchmarks in an optimised native build (build/bench). Extra
# arguments go to Google Benchmark (e.g. --benchmark_filter=Png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVADROME_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target image_bench
/usr/bin/python3 src/res/make_art.py "$build/art" >/dev/null
"$build/bench/image_bench" "$build/art/splash.png" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true "$@"

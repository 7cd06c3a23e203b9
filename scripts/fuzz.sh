#!/usr/bin/env bash
# Runs each image decoder's fuzzer for a bounded time (seconds per decoder,
# default 60). Builds into build/fuzz with clang. Crashing or slow inputs land
# in build/fuzz/artifacts; copy them into tests/util/image/regressions/<format>/
# so the normal tests replay them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DVADROME_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_bmp fuzz_png fuzz_jpeg fuzz_seeds
"$build/fuzz/fuzz_seeds" "$build/seeds"
mkdir -p "$build/artifacts"
status=0
for format in bmp png jpeg; do
  corpus="$build/corpus/$format"
  mkdir -p "$corpus" "tests/util/image/regressions/$format"
  echo "fuzz: $format for ${seconds}s"
  "$build/fuzz/fuzz_$format" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$format-" \
    "$corpus" "$build/seeds/$format" "tests/util/image/regressions/$format" || status=1
done
exit $status

#!/usr/bin/env bash
# Runs the image decoders' fuzzers for a bounded time:
#   scripts/fuzz.sh [SECONDS per decoder, default 60] [bmp|png|jpeg ...]
# Builds into build/fuzz with clang. Crashing or slow inputs land in
# build/fuzz/artifacts; copy them into tests/util/image/regressions/<format>/
# and record what the mended decoder makes of each in
# tests/util/image/regressions/outcomes.txt, so the normal tests replay them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
shift || true
formats=("$@")
[ ${#formats[@]} -gt 0 ] || formats=(bmp png jpeg)
build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION"
compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags")

# libjpeg instrumented too, from the source setup.sh fetched, so the JPEG
# fuzzer sees coverage inside the library; the host's copy otherwise.
jpeg=()
jpeg_src=$(ls -d .cache/libjpeg-turbo/src/libjpeg-turbo-*/ 2>/dev/null | head -n1 || true)
if [ -n "$jpeg_src" ]; then
  jpeg_build="$root/$build/libjpeg"
  if [ ! -f "$jpeg_build/libjpeg.a" ]; then
    cmake -S "$jpeg_src" -B "$jpeg_build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${compilers[@]}" \
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF >/dev/null
    cmake --build "$jpeg_build" -j2 --target jpeg-static >/dev/null
  fi
  mkdir -p "$jpeg_build/include"
  cp "$jpeg_src"/jpeglib.h "$jpeg_src"/jmorecfg.h "$jpeg_src"/jerror.h "$jpeg_build"/jconfig.h "$jpeg_build/include/"
  jpeg=(-DJPEG_INCLUDE_DIR="$jpeg_build/include" -DJPEG_LIBRARY="$jpeg_build/libjpeg.a")
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${compilers[@]}" "${jpeg[@]}" -DVADROME_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_bmp fuzz_png fuzz_jpeg fuzz_seeds
"$build/fuzz/fuzz_seeds" "$build/seeds"
mkdir -p "$build/artifacts"
status=0
for format in "${formats[@]}"; do
  corpus="$build/corpus/$format"
  mkdir -p "$corpus" "tests/util/image/regressions/$format"
  echo "fuzz: $format for ${seconds}s"
  "$build/fuzz/fuzz_$format" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$format-" \
    "$corpus" "$build/seeds/$format" "tests/util/image/regressions/$format" || status=1
done
exit $status

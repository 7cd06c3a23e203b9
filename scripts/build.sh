#!/usr/bin/env bash
# Sets up the machine (once) and builds the Windows, the native and the Linux
# runner's trees.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)"

#!/usr/bin/env bash
# Builds everything and runs every test: the native ones first, then the
# Linux runner's (each under an Xvfb display of its own), then the Windows
# ones under Wine and Xvfb with a prefix of this run's own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh

ctest --test-dir build/native --output-on-failure -j"$(nproc)"
WEBKIT_DISABLE_COMPOSITING_MODE=1 ctest --test-dir build/linux --output-on-failure -j"$(nproc)"

. scripts/wine-env.sh
wine_env_start "$root/build/wineprefix"
trap wine_env_stop EXIT
ctest --test-dir build/win --output-on-failure -j"$(nproc)"

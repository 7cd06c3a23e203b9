#!/usr/bin/env bash
# Starts and stops the runner on the demo distribution again and again under
# Wine (50 cycles unless given), printing each cycle's figures and a summary:
# start and stop times, whether the site was served, processes left behind,
# clean server stops, and the work folder's size. Not part of scripts/test.sh.
#   scripts/soak.sh [cycles]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target e2e_soak
export VADROME_SOAK_CYCLES=${1:-50}
. scripts/wine-env.sh
wine_env_start "$root/build/wineprefix-soak"
trap wine_env_stop EXIT
wine build/win/tests/e2e/e2e_soak.exe

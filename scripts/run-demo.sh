#!/usr/bin/env bash
# The main job: builds everything, lays out the demo distribution and starts
# the runner on it under Wine (under Xvfb when there is no display). Leaves a
# screenshot in build/demo-screenshot.png.
# VADROME_DEMO_SECONDS: how long the runner is shown before it is closed
# (default 20; 0 keeps it running until Ctrl+C).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh
cmake --build build/win --target demo_distribution >/dev/null 2>&1 || true
dist="$root/build/win/demo"
[ -d "$dist" ] || { mkdir -p "$dist"; cp build/win/src/vadrome.exe "$dist/"; }

. scripts/wine-env.sh
wine_env_start "$root/build/demo-prefix"
trap wine_env_stop EXIT

wine "$dist/vadrome.exe" &
seconds=${VADROME_DEMO_SECONDS:-20}
sleep 8
home=$(grep -ho 'http://[0-9.]*:[0-9]*' "$WINEPREFIX"/drive_c/ProgramData/*/httpd.conf 2>/dev/null | head -n1 || true)
[ -n "$home" ] && echo "The runner serves the demo site at $home"
import -display "$DISPLAY" -window root "$root/build/demo-screenshot.png" && echo "Screenshot: build/demo-screenshot.png"
if [ "$seconds" = 0 ]; then wait; else sleep "$seconds"; fi

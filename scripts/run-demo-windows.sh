#!/usr/bin/env bash
# The main job: builds everything, lays out the demo distribution (the runner
# with stand-in servers and a small site, build/win/demo) and starts the runner
# on it under Wine (under Xvfb when there is no display). Prints the home
# address and leaves a screenshot in build/demo-screenshot.png.
# VADROME_DEMO_SECONDS: how long the runner is shown before it is closed
# (default 20; 0 keeps it running until it ends or Ctrl+C).
# The Windows edition's demo (scripts/run-demo.sh --windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh
cmake --build build/win --target demo_distribution >/dev/null
dist="$root/build/win/demo"

. scripts/wine-env.sh
wine_env_start "$root/build/demo-prefix"
trap wine_env_stop EXIT

wine "$dist/vadrome.exe" &
seconds=${VADROME_DEMO_SECONDS:-20}

# The runner writes httpd.conf into its work folder, C:\ProgramData\<md5>.
home=
for _ in $(seq 1 60); do
  conf=$(ls "$WINEPREFIX"/drive_c/ProgramData/*/httpd.conf 2>/dev/null | head -n1 || true)
  if [ -n "$conf" ]; then
    port=$(sed -n 's/^[[:space:]]*Listen[[:space:]]\+\([0-9.]*:\)\?\([0-9-]*\).*/\2/p' "$conf" | head -n1)
    [ -n "$port" ] && home="http://127.0.0.1:$port" && break
  fi
  sleep 0.5
done
if [ -n "$home" ]; then
  for _ in $(seq 1 40); do curl -s -o /dev/null "$home/" && break; sleep 0.5; done
  echo "The runner serves the demo site at $home"
  curl -s "$home/" | grep -o '<title>[^<]*</title>' || echo "(the site does not answer)"
else
  echo "No httpd.conf was written; the runner did not start its web server."
fi
sleep 3
import -display "$DISPLAY" -window root "$root/build/demo-screenshot.png" && echo "Screenshot: build/demo-screenshot.png"
if [ "$seconds" = 0 ]; then wineserver -w; else sleep "$seconds"; fi

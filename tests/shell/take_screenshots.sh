#!/usr/bin/env bash
# Poses the main window and a pop-up (see the "poses for screenshots" tests)
# and photographs the display at each pose: build/screenshots/*.png.
# Run with WINEPREFIX and DISPLAY set (scripts/wine-env.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/screenshots
work=$(mktemp -d)
mkdir -p "$out"
cd "$work"
wine "$root/build/win/tests/shell/web_browser_host_test.exe" -tc="*poses for screenshots" --no-skip >/dev/null &
runner=$!
taken=0
while kill -0 "$runner" 2>/dev/null; do
  if [ -f poses.txt ]; then
    mapfile -t poses < poses.txt
    while [ "$taken" -lt "${#poses[@]}" ]; do
      name=${poses[$taken]%$'\r'}
      import -display "$DISPLAY" -window root "$out/$name.png"
      echo "$out/$name.png"
      taken=$((taken + 1))
    done
  fi
  sleep 0.3
done
rm -rf "$work"

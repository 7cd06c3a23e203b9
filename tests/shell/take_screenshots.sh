#!/usr/bin/env bash
# Runs a test's "poses for screenshots" (or the test case named third) and
# photographs the display at each pose: build/screenshots/<name>-<pose>.png.
# Without arguments the main window (shell/web_browser_host_test.exe, name
# main-window); a pop-up is shell/web_browser_host_test.exe popup
# "pop-up poses for screenshots"; the dialogs are customize/dialogs_test.exe
# dialog.
# Run with WINEPREFIX and DISPLAY set (scripts/wine-env.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
test_exe=${1:-shell/web_browser_host_test.exe}
name=${2:-main-window}
test_case=${3:-poses for screenshots}
out=$root/build/screenshots
work=$(mktemp -d)
mkdir -p "$out"
cd "$work"
wine "$root/build/win/tests/$test_exe" -tc="$test_case" --no-skip >/dev/null &
runner=$!
taken=0
while kill -0 "$runner" 2>/dev/null; do
  if [ -f poses.txt ]; then
    mapfile -t poses < poses.txt
    while [ "$taken" -lt "${#poses[@]}" ]; do
      pose=${poses[$taken]%$'\r'}
      import -display "$DISPLAY" -window root "$out/$name-$pose.png"
      echo "$out/$name-$pose.png"
      taken=$((taken + 1))
    done
  fi
  sleep 0.3
done
rm -rf "$work"

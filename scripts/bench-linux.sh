#!/usr/bin/env bash
# The Linux runner's figures from one run (not a test): launch -> site
# answering beside apache2 started directly on the same template; launch ->
# first page rendered beside a bare WebKitGTK window on the same address; the
# binary's size; resident memory once settled. Under Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${1:-}" != --display-ready ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux >/dev/null
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x900x24 -noreset" "$0" --display-ready
  fi
fi
state=$(mktemp -d /tmp/vadrome-bench.XXXXXX)
trap 'rm -rf "$state"' EXIT
/usr/bin/python3 bench/linux/bench_linux.py "$root/build/linux/demo" "$root/build/linux/bench-linux/bare_webkit" "$state"

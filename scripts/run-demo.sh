#!/usr/bin/env bash
# The main job: builds everything, lays out the demo distribution and starts
# the runner on it (under Xvfb when there is no display), prints the home
# address and leaves a screenshot in build/demo-screenshot.png.
#   scripts/run-demo.sh            the Linux runner on build/linux/demo: Debian's
#                                  apache2, PHP 8.2 and MariaDB, a guest book
#   scripts/run-demo.sh --windows  vadrome.exe under Wine on build/win/demo,
#                                  with the stand-in servers
# VADROME_DEMO_SECONDS: how long the runner is shown before it is closed
# (default 20; 0 keeps it running until it ends or Ctrl+C).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${1:-}" = --windows ]; then
  exec bash scripts/run-demo-windows.sh
fi
[ "${1:-}" = --display-ready ] || bash scripts/build.sh
dist=$(realpath "$root/build/linux/demo")
# As root the web server's children run as www-data, which must reach the
# site: a checkout under /root, say, is closed to it. Then a copy runs.
if [ "$(id -u)" = 0 ] && ! runuser -u www-data -- test -r "$dist/www/index.php" 2>/dev/null; then
  copy=/tmp/vadrome-demo
  rm -rf "$copy" && cp -a "$dist" "$copy" && dist=$copy
  echo "www-data cannot read $root/build/linux/demo; running a copy in $copy"
fi
seconds=${VADROME_DEMO_SECONDS:-20}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x900x24 -noreset" env VADROME_DEMO_SECONDS="$seconds" "$0" --display-ready
fi
export WEBKIT_DISABLE_COMPOSITING_MODE=1

"$dist/vadrome" &
runner=$!
trap 'kill -TERM $runner 2>/dev/null; wait $runner 2>/dev/null || true' EXIT

# The runner writes httpd.conf into its work folder, ~/.local/state/vadrome/<md5>.
state=${XDG_STATE_HOME:-$HOME/.local/state}
work="$state/vadrome/$(printf '%s/%s' "$(id -un)" "$dist/vadrome" | md5sum | cut -c1-32)"
home=
for _ in $(seq 1 120); do
  port=$(sed -n 's/^Listen [0-9.]*:\([0-9]*\).*/\1/p' "$work/httpd.conf" 2>/dev/null | head -n1 || true)
  if [ -n "$port" ] && curl -s -o /dev/null "http://127.0.0.1:$port/"; then home="http://127.0.0.1:$port"; break; fi
  sleep 0.5
done
if [ -n "$home" ]; then
  echo "The runner serves the demo site at $home"
  curl -s "$home/" | grep -o '<title>[^<]*</title>\|<p class="versions"[^<]*<span[^<]*</span>' || true
else
  echo "The site did not answer; see $work/httpd.log and $work/mysqld.log"
fi
sleep 5
import -display "$DISPLAY" -window root "$root/build/demo-screenshot.png" && echo "Screenshot: build/demo-screenshot.png"
if [ "$seconds" = 0 ]; then wait $runner; else sleep "$seconds"; fi

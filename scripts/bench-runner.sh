#!/usr/bin/env bash
# The shipped runner's figures beside their targets and floors, from one
# build: the exe's size (every stamp copies it whole) and what it is made of;
# then, under Wine on a copy of the demo distribution (median of
# VADROME_BENCH_RUNS runs, 5 unless set), its start-up step by step beside the
# web server started directly and a bare window, its private memory, and a
# "/config" stamp beside a program that ends at once. A benchmark: nothing in
# the tests depends on its timing. VADROME_BENCH_EXE measures another build of
# the runner (an earlier one, say) on the same distribution.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${VADROME_BENCH_RUNS:-5}
[ -f build/win/build.ninja ] || cmake --preset windows >/dev/null
cmake --build build/win -j2 --target vadrome demo_distribution start_bench bare_window >/dev/null
exe=build/win/src/vadrome.exe
size=$(stat -c %s "$exe")
target=1441792
printf '%-28s %12s %12s\n' figure measured target
printf '%-28s %12s %12s\n' "exe size (bytes)" "$size" "$target"
echo
/usr/bin/python3 scripts/exe_size.py "$exe"
echo

. scripts/wine-env.sh
wine_env_start "$root/build/wineprefix-bench"
work=$(mktemp -d /tmp/vadrome-bench.XXXXXX)
trap 'wine_env_stop; rm -rf "$work"' EXIT
cp -r build/win/demo "$work/dist"
cp "${VADROME_BENCH_EXE:-$exe}" "$work/dist/vadrome.exe"
cp "$work/dist/vadrome.exe" "$work/stamper.exe"
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sed "s/^port=.*/port=$port/" src/res/Config.ini > "$work/Config.ini"

bench=build/win/bench/startup/start_bench.exe
bare=build/win/bench/startup/bare_window.exe
win() { winepath -w "$1"; }
for i in $(seq 1 "$runs"); do
  # The stamp also gives the distribution's runner the port measured below.
  wine "$bench" run "$(win "$work/stamper.exe")" /config "$(win "$work/dist/vadrome.exe")" "$(win "$work/Config.ini")" \
    > "$work/stamp.$i"
  wine "$bench" run "$(win "$bare")" exit > "$work/trivial.$i"
done
for i in $(seq 1 "$runs"); do
  wine "$bench" runner "$(win "$work/dist/vadrome.exe")" "$port" "$(win "$work/timeline.$i")" > "$work/runner.$i"
done
# The web server alone, on the configuration the runner wrote for it.
conf=$(grep -l "^Listen .*$port" "$WINEPREFIX"/drive_c/ProgramData/*/httpd.conf | head -n1)
for i in $(seq 1 "$runs"); do
  wine "$bench" server "$(win "$work/dist/bin/Apache/Apache.exe")" "$(win "$conf")" "$port" > "$work/server.$i"
  wine "$bench" window "$(win "$bare")" BareWindow > "$work/window.$i"
done
/usr/bin/python3 scripts/bench_startup.py "$work"

#!/usr/bin/env bash
# The shipped runner's figures beside their targets, from one build: the
# exe's size (every stamp copies it whole) and what it is made of.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build/win/build.ninja ] || cmake --preset windows >/dev/null
cmake --build build/win -j2 --target vadrome >/dev/null
exe=build/win/src/vadrome.exe
size=$(stat -c %s "$exe")
target=1310720
printf '%-28s %12s %12s\n' figure measured target
printf '%-28s %12s %12s\n' "exe size (bytes)" "$size" "$target"
echo
/usr/bin/python3 scripts/exe_size.py "$exe"

#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. The test script sets
# WINEPREFIX and DISPLAY for the run; alone, a prefix in the build tree is used.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=d}
wine "$@"
status=$?
# A test that ends before printing anything still says how it ended.
[ $status -eq 0 ] || echo "wine-run: $(basename "$1") ended with exit code $status" >&2
exit $status

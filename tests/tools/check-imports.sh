#!/usr/bin/env bash
# The runner copies itself byte for byte, so it may import only DLLs that every
# Windows has.
set -euo pipefail
exe=$1
allowed='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32|GDI32|COMCTL32|UxTheme|comdlg32|SHLWAPI|PSAPI|WS2_32|VERSION|api-ms-win-[a-z0-9-]+)\.dll$'
status=0
while read -r dll; do
  if [[ ! "$dll" =~ $allowed ]]; then echo "unexpected import: $dll"; status=1; fi
done < <(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
[ $status = 0 ] && echo "imports: system DLLs only"
exit $status

#!/usr/bin/env bash
# The runner copies itself byte for byte, so it may import only DLLs that every
# Windows has. The common controls and dialogs load on first use: every
# process of the exe (first launch, splash, stamping children) would otherwise
# pay for them at its start.
set -euo pipefail
exe=$1
allowed='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32|GDI32|SHLWAPI|PSAPI|WS2_32|VERSION|api-ms-win-[a-z0-9-]+)\.dll$'
delayed='^(comctl32|comdlg32)\.dll$'
status=0
while read -r dll; do
  if [[ "${dll,,}" =~ $delayed ]]; then echo "loaded at start instead of on first use: $dll"; status=1
  elif [[ ! "$dll" =~ $allowed ]]; then echo "unexpected import: $dll"; status=1; fi
done < <(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
# A delay-loaded DLL is named in the exe's data for the helper that loads it.
names=$(strings "$exe")
for dll in comctl32.dll comdlg32.dll; do
  grep -qx "$dll" <<<"$names" || { echo "not delay-loaded: $dll"; status=1; }
done
[ $status = 0 ] && echo "imports: system DLLs only; common controls and dialogs on first use"
exit $status

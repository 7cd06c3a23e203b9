#!/usr/bin/env bash
# The runner copies itself byte for byte, so it may import only DLLs that every
# Windows has. The common controls, dialogs and themes load on first use: every
# process of the exe (first launch, splash, stamping children) would otherwise
# pay for them at its start.
set -euo pipefail
exe=$1
allowed='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32|GDI32|SHLWAPI|PSAPI|WS2_32|VERSION|api-ms-win-[a-z0-9-]+)\.dll$'
on_first_use=(comctl32 comdlg32 uxtheme)
delayed="^($(IFS='|'; echo "${on_first_use[*]}"))\.dll$"
status=0
while read -r dll; do
  if [[ "${dll,,}" =~ $delayed ]]; then echo "loaded at start instead of on first use: $dll"; status=1
  elif [[ ! "$dll" =~ $allowed ]]; then echo "unexpected import: $dll"; status=1; fi
done < <(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
# A delay-loaded DLL is named in the exe's data for the helper that loads it.
names=$(strings "$exe")
for dll in "${on_first_use[@]}"; do
  grep -qx "$dll.dll" <<<"$names" || { echo "not delay-loaded: $dll.dll"; status=1; }
done
[ $status = 0 ] && echo "imports: system DLLs only; common controls, dialogs and themes on first use"
exit $status

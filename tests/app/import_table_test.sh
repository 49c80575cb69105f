#!/usr/bin/env bash
# The program's static import table names only KnownDLLs: the loader takes those from the
# system folder whatever lies beside the program, while any other DLL of that table is looked
# for in the program's folder first, before any of its code runs (the folder an installer is
# started from is often one that web pages can write). The list is Windows 10's and 11's
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs, kernel32's own dependencies
# and ntdll, which the loader maps itself.
# Usage: import_table_test.sh OBJDUMP EXE...
set -euo pipefail
OBJDUMP=${1:?objdump}
shift
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
        kernelbase msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi
        shcore shell32 shlwapi user32 wldap32 ws2_32 "
known=" $(echo $known) "  # one space between names
status=0
for exe in "$@"; do
  imports=$("$OBJDUMP" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "FAIL: $exe: no import table read"; status=1; continue; }
  for dll in $imports; do
    if [[ $known == *" ${dll%.dll} "* ]]; then
      echo "ok: $(basename "$exe") imports $dll, a KnownDLL"
    else
      echo "FAIL: $(basename "$exe") imports $dll, which is not a KnownDLL: delay-load it"
      status=1
    fi
  done
done
exit $status

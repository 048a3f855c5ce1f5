#!/usr/bin/env bash
# Checks a built program's PE header and import table: a 32-bit image for the
# expected subsystem that needs nothing but DLLs every Windows has. A MinGW
# runtime DLL (libstdc++, libgcc, libwinpthread) or any other extra DLL would
# make the program fail to start from the driver disc.
# Usage: check_pe_imports.sh OBJDUMP PROGRAM.exe SUBSYSTEM
set -euo pipefail
objdump=$1 program=$2 subsystem=$3

# Upper case: the loader compares DLL names without regard to case.
allowed=" ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL NTDLL.DLL OLE32.DLL SHELL32.DLL USER32.DLL VERSION.DLL "

header=$("$objdump" -p "$program") || { echo "FAIL: $objdump cannot read $program"; exit 1; }
failed=0

magic=$(awk '$1 == "Magic" { print $2; exit }' <<<"$header")
if [ "$magic" != "010b" ]; then
  echo "FAIL: $program: optional header magic is '$magic', not 010b (PE32)"
  failed=1
fi

actual_subsystem=$(awk '$1 == "Subsystem" { print $2 + 0; exit }' <<<"$header")
if [ "$actual_subsystem" != "$subsystem" ]; then
  echo "FAIL: $program: subsystem is '$actual_subsystem', not $subsystem"
  failed=1
fi

# Every "DLL Name:" line, delay-loaded ones included where objdump lists them.
dlls=$(awk '$1 == "DLL" && $2 == "Name:" { print $3 }' <<<"$header")
if [ -z "$dlls" ]; then
  echo "FAIL: $program: no import table found"
  failed=1
fi
for dll in $dlls; do
  upper=${dll^^}
  if [[ "$allowed" != *" $upper "* ]]; then
    echo "FAIL: $program imports $dll, which is not a Windows system DLL"
    failed=1
  fi
done

echo "$program: magic $magic, subsystem $actual_subsystem, imports: ${dlls//$'\n'/ }"
exit $failed

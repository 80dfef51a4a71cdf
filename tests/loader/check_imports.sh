#!/bin/sh
# Fails when a program imports a DLL that is not part of Windows.
#   check_imports.sh OBJDUMP FILE...
set -eu
objdump=$1
shift
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll advapi32.dll msvcrt.dll comctl32.dll comdlg32.dll ole32.dll "
status=0
for file in "$@"; do
    dlls=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$dlls" ] || { echo "FAIL $file: no imports found"; status=1; continue; }
    for dll in $dlls; do
        case "$allowed" in
        *" $dll "*) ;;
        *) echo "FAIL $file imports $dll, which is not a Windows system DLL"; status=1 ;;
        esac
    done
    echo "$file imports:" $dlls
done
exit $status

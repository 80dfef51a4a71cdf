#!/bin/sh
# Fails when a file given needs a C runtime DLL, which
# Windows 95 lacks; then checks the imports against Windows' own DLLs (tests/loader/check_imports.sh).
#   check_package.sh OBJDUMP CHECK_IMPORTS FILE...
set -eu
objdump=$1
check_imports=$2
shift 2
status=0
for file in "$@"; do
    if "$objdump" -p "$file" | grep -i -q 'DLL Name: msvcr'; then
        echo "FAIL $file imports a C runtime DLL:" $("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | grep -i msvcr)
        status=1
    fi
done
sh "$check_imports" "$objdump" "$@" || status=1
exit $status

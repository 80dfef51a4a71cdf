#!/bin/sh
# Fails when a program or DLL would not load on Windows 95, 98 or NT 4.0: it imports a C runtime
# DLL (Windows 95 has none), imports by ordinal, imports a function that win98-nt4-imports.txt
# beside this script does not list, or its PE subsystem version is not 4.0.
#   check_imports.sh OBJDUMP FILE...
set -eu
objdump=$1
shift
allowed=$(dirname "$0")/win98-nt4-imports.txt
[ -r "$allowed" ] || { echo "FAIL: $allowed missing"; exit 1; }
status=0
for file in "$@"; do
    dump=$("$objdump" -p "$file") || { echo "FAIL $file: $objdump cannot read it"; status=1; continue; }
    version=$(printf '%s\n' "$dump" | awk '$1 == "MajorSubsystemVersion" { major = $2 }
                                           $1 == "MinorSubsystemVersion" { minor = $2 }
                                           END { print major "." minor }')
    [ "$version" = 4.0 ] || { echo "FAIL $file: PE subsystem version $version, not 4.0"; status=1; }
    # One "dll function" line per import; "dll #" for an import by ordinal.
    imports=$(printf '%s\n' "$dump" | awk '/^The / { dll = "" }
                                          /DLL Name:/ { dll = tolower($3); next }
                                          dll != "" && /^\t[0-9a-f]+\t/ { print dll, (/<none>/ ? "#" : $NF) }')
    [ -n "$imports" ] || { echo "FAIL $file: no imports found"; status=1; continue; }
    for dll in $(printf '%s\n' "$imports" | cut -d' ' -f1 | sort -u); do
        case "$dll" in
        msvcr*.dll | msvcp*.dll | ucrtbase*.dll | api-ms-win-crt-*.dll | vcruntime*.dll | crtdll.dll | \
        libgcc*.dll | libstdc++*.dll | libwinpthread*.dll)
            echo "FAIL $file imports $dll, a C runtime DLL"; status=1 ;;
        esac
    done
    refused=$(printf '%s\n' "$imports" | awk -v list="$allowed" '
        BEGIN { while ((getline line < list) > 0) if (line !~ /^#/ && line != "") ok[line] = 1 }
        $2 == "#" { print $1, "by ordinal"; next }
        !(($1 " " $2) in ok) { print $1, $2 }')
    if [ -n "$refused" ]; then
        printf '%s\n' "$refused" | sed "s|^\([^ ]*\) \(.*\)|FAIL $file imports \2 from \1, not in $(basename "$allowed")|"
        status=1
    fi
    echo "$file imports:" $(printf '%s\n' "$imports" | cut -d' ' -f1 | sort -u)
done
exit $status

#!/bin/sh
# Installs what is missing, builds the Windows tree and writes the two artefacts for Windows users:
#   build/QTXILOAD-3.1.0c4-setup.exe   the installer (NSIS, ANSI: Windows 95 and later)
#   build/QTXILOAD-3.1.0c4.zip         the portable copy
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target qtxpackage

for f in build/windows/package/QTXILOAD-*-setup.exe build/windows/package/QTXILOAD-*.zip; do
    cp "$f" build/
    echo "package: build/$(basename "$f")"
done

#!/bin/sh
# Installs what is missing, builds the native and the Windows builds, and runs every test:
# native ones directly, Windows ones under Wine. Ends with the test runner's summary.
set -eu
cd "$(dirname "$0")/.."

sh scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

# One run over both trees, so that one summary counts every test.
printf 'subdirs("native" "windows")\n' >build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure -j2

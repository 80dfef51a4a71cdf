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

# The libFuzzer targets, where clang is there to build them; their tests are brief runs.
trees='"native" "windows"'
if command -v clang++ >/dev/null 2>&1; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    trees="$trees \"fuzz\""
fi

# One run over all trees, so that one summary counts every test.
printf 'subdirs(%s)\n' "$trees" >build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure -j2

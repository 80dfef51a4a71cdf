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

# The libFuzzer targets, briefly, where clang is there to build them (long runs are separate).
fuzz_status=0
if command -v clang++ >/dev/null 2>&1; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    for target in build/fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$target" _fuzz)
        work=$(mktemp -d)
        if "$target" -runs=20000 -max_total_time=5 "$work" "tests/fuzz/corpus/$name" >"$work.log" 2>&1; then
            echo "fuzz $name: $(grep -o 'Done [0-9]* runs' "$work.log")"
        else
            tail -40 "$work.log"
            echo "fuzz $name: FAILED" >&2
            fuzz_status=1
        fi
        rm -rf "$work" "$work.log"
    done
fi

# One run over both trees, so that one summary counts every test.
printf 'subdirs("native" "windows")\n' >build/CTestTestfile.cmake
ctest --test-dir build --output-on-failure -j2
exit $fuzz_status

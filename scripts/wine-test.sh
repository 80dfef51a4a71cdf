#!/bin/sh
# Builds the Windows tree and runs its Wine tests whose names match REGEX (all of them without
# one): directly where this machine runs 32-bit programs, else in the emulated system.
#   wine-test.sh [REGEX]      e.g. wine-test.sh 'wine\.loader'   or   wine-test.sh installer
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
if sh scripts/wine-vm.sh needed; then
    exec sh scripts/wine-vm.sh run . build/windows "${1:-}"
fi
exec ctest --test-dir build/windows -L wine ${1:+-R "$1"} --output-on-failure -j2

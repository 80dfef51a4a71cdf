#!/bin/sh
# Runs each test of the installer test program in a clean copy of the installer's prefix, so that
# no scenario sees what another left: installs, keys, running loaders.
#   run_scenarios.sh STATE_DIR TEST_PROGRAM [PART PARTS]
# STATE_DIR is the build tree whose wine/ holds the prefix (made once by wine-env.sh start) and
# the display. With PART and PARTS only every PARTS-th test runs, from the PART-th (1 to PARTS);
# parts run side by side, each in copies of its own. Each copy's wineserver is stopped before the
# copy is removed; it serves only the programs this script started in that copy.
set -eu
state=$(cd "$1" && pwd)/wine
program=$2
part=${3:-1}
parts=${4:-1}
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
if [ -z "${DISPLAY:-}" ] && [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi
copy="$state/scenario.$part"

# -k only asks the copy's wineserver to end; -w waits until it has, so that the next scenario's
# programs cannot reach a server still serving the removed copy.
stop_server() {
    WINEPREFIX="$copy" wineserver -k 2>/dev/null || true
    WINEPREFIX="$copy" wineserver -w 2>/dev/null || true
}

fresh() {
    if [ -d "$copy" ]; then stop_server; fi
    rm -rf "$copy"
    cp -a "$state/prefix" "$copy"
}

fresh
tests=$(WINEPREFIX="$copy" wine "$program" --gtest_list_tests </dev/null | tr -d '\r' |
    awk -v part="$part" -v parts="$parts" '/^[^ ]/ { suite = $1 } /^  / && n++ % parts == part - 1 { print suite $1 }')
[ -n "$tests" ] || { echo "run_scenarios: no tests listed by $program" >&2; exit 1; }
failed=""
for t in $tests; do
    fresh
    start=$(date +%s)
    if WINEPREFIX="$copy" wine "$program" --gtest_filter="$t" </dev/null; then
        echo "run_scenarios: $t passed in $(($(date +%s) - start)) s"
    else
        failed="$failed $t"
    fi
done
stop_server
rm -rf "$copy"
[ -z "$failed" ] || { echo "run_scenarios: failed:$failed" >&2; exit 1; }

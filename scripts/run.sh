#!/bin/sh
# Installs what is missing, builds the Windows program and starts it under Wine beside the
# stand-in support library (QTXWIN32_FLAGS chooses what it simulates; default 0x0001).
# With a display: the loader runs there until Close (Ctrl + click on the icon, then Close).
# Without one: the picture tour (scripts/tour.sh) photographs every window into
# build/windows/pictures. Where this machine's kernel cannot execute 32-bit programs, Wine cannot
# start here: the tour then runs in the emulated system (scripts/wine-vm.sh), display or not.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target qtxiload qtxwin32 qtxpoke qtxmanual

build="$root/build/windows"
run() { sh "$root/scripts/wine-exec.sh" "$build" "$@"; }

if sh scripts/wine-vm.sh needed; then
    if [ -n "${DISPLAY:-}" ]; then
        echo "run: a live window needs a kernel that runs 32-bit programs, and this one cannot; making the picture tour instead."
    fi
    echo "run: starting QTXILOAD.EXE in the emulated system (scripts/wine-vm.sh), which photographs every window; this takes several minutes."
    sh scripts/wine-vm.sh tour "$root" "$build" >"$build/vm-tour.log" 2>&1 || {
        tail -20 "$build/vm-tour.log" >&2
        echo "run: the tour in the emulated system failed; its output: $build/vm-tour.log" >&2
        exit 1
    }
    grep '^tour:' "$build/vm-tour.log" || true
    echo "Pictures of every window: $build/pictures"
    exit 0
fi

if [ -n "${DISPLAY:-}" ]; then
    sh scripts/wine-env.sh start "$build"
    echo "QTXILOAD is running: its icon is in the notification area. Ctrl + click on it, then Close, ends it."
    # From the manual's folder, where the setup dialog's Help finds the help file.
    cd "$build/manual"
    run "$build/bin/QTXILOAD.EXE"
    exit 0
fi

sh scripts/tour.sh --tree "$build" "$build/pictures"
echo "Pictures of every window: $build/pictures"

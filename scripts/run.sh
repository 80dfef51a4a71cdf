#!/bin/sh
# Installs what is missing, builds the Windows program and starts it under Wine beside the
# stand-in support library (QTXWIN32_FLAGS chooses what it simulates; default 0x0001).
# With a display: the loader runs there until Close (Ctrl + click on the icon, then Close).
# Without one: the picture tour (scripts/tour.sh) photographs every window into
# build/windows/pictures.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target qtxiload qtxwin32 qtxpoke qtxmanual

build="$root/build/windows"
run() { sh "$root/scripts/wine-exec.sh" "$build" "$@"; }

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

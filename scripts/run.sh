#!/bin/sh
# Installs what is missing, builds the Windows program and starts it under Wine beside the
# stand-in support library (QTXWIN32_FLAGS chooses what it simulates; default 0x0001).
# With a display: the loader runs there until Close (Ctrl + click on the icon, then Close).
# Without one: a virtual display is started, the icon's popup menu opened and photographed,
# then its About box, the loader closed, and the pictures' paths printed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target qtxiload qtxwin32 qtxpoke

build="$root/build/windows"
run() { sh scripts/wine-exec.sh "$build" "$@"; }

if [ -n "${DISPLAY:-}" ]; then
    sh scripts/wine-env.sh start "$build"
    echo "QTXILOAD is running: its icon is in the notification area. Ctrl + click on it, then Close, ends it."
    run "$build/bin/QTXILOAD.EXE"
    exit 0
fi

trap 'sh scripts/wine-env.sh stop "$build"' EXIT
sh scripts/wine-env.sh start "$build"
DISPLAY=$(cat "$build/wine/display")
export DISPLAY

run "$build/bin/QTXILOAD.EXE" &
loader=$!
run "$build/bin/qtxpoke.exe" wait
run "$build/bin/qtxpoke.exe" popup
shot="$build/qtxiload-menu.png"
import -window root "$shot"
run "$build/bin/qtxpoke.exe" about
about="$build/about.png"
import -window root "$about"
run "$build/bin/qtxpoke.exe" close
wait $loader || true
echo "Screenshot of the icon and its popup menu: $shot"
echo "Screenshot of the About box: $about"

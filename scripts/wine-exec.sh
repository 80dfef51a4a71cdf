#!/bin/sh
# Runs a Windows program of a build tree under Wine, in that tree's private prefix and display.
#   wine-exec.sh BUILD_DIR PROGRAM [ARGS...]
# CMake uses it as the emulator of the cross build, so ctest runs test programs through it.
set -eu
build=$(cd "$1" && pwd)
shift
state="$build/wine"
export WINEPREFIX="$state/prefix" WINEARCH=win32 WINEDEBUG=-all
# Shortcuts made inside the prefix (the installer's) must not become menu entries of the host.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
if [ -z "${DISPLAY:-}" ] && [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi
exec wine "$@" </dev/null

#!/bin/sh
# Prepares and tears down the private Wine environment of a Windows build tree.
#   wine-env.sh start BUILD_DIR   create the prefix once; start Xvfb when no display is set
#   wine-env.sh stop BUILD_DIR    stop the Xvfb this script started and the prefix's wineserver
# Only processes started here are stopped: the Xvfb whose pid was recorded, and the wineserver of
# the private prefix.
set -eu

action=$1
build=$(cd "$2" && pwd)
state="$build/wine"
export WINEPREFIX="$state/prefix" WINEARCH=win32 WINEDEBUG=-all
# Shortcuts made inside the prefix (the installer's) must not become menu entries of the host.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
mkdir -p "$state"

start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
        return 0
    fi
    rm -f "$state/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display.tmp" >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    i=0
    while [ ! -s "$state/display.tmp" ]; do
        i=$((i + 1))
        [ $i -gt $((200 * ${QTX_WAIT_FACTOR:-1})) ] && { echo "wine-env: Xvfb did not start" >&2; exit 1; }
        sleep 0.05
    done
    echo ":$(cat "$state/display.tmp")" >"$state/display"
}

create_prefix() {
    [ -f "$WINEPREFIX/.qtx-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    # A copy of a prefix this same function made, where one is offered: the emulated system keeps
    # one, since a wineboot there takes minutes.
    if [ -n "${QTX_WINE_PREFIX_TEMPLATE:-}" ] && [ -f "$QTX_WINE_PREFIX_TEMPLATE/.qtx-ready" ]; then
        cp -a "$QTX_WINE_PREFIX_TEMPLATE" "$WINEPREFIX"
        return 0
    fi
    wineboot -i >/dev/null 2>&1
    # No window manager: managed windows stall about 2 s when closed.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # A crash ends the process with its code instead of starting the debugger.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d "" /f >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f >/dev/null 2>&1
    # The default theme makes list boxes with scroll bars very slow to fill.
    wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.qtx-ready"
}

case "$action" in
start)
    start_display
    if [ -z "${DISPLAY:-}" ]; then DISPLAY=$(cat "$state/display"); export DISPLAY; fi
    create_prefix
    ;;
stop)
    wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display" "$state/display.tmp"
    fi
    ;;
*)
    echo "usage: wine-env.sh start|stop BUILD_DIR" >&2
    exit 2
    ;;
esac

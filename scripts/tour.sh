#!/bin/sh
# Photographs every window of QTXILOAD.EXE under Wine, one PNG per step, into DIR (default docs/).
#   tour.sh [--tree BUILD_DIR] [DIR]
# Without --tree it installs what is missing and builds the Windows tree first; with it, it uses
# that tree as built. The tour has a virtual display and a Wine prefix of its own (BUILD_DIR/tour),
# seeds a few hint records and a small registry tree (scripts/tour.reg), and drives the loader with
# qtxpoke, which waits for each window to be drawn. A step whose window does not appear, or whose
# picture shows fewer than four colours, ends the tour with its name and a non-zero exit code.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" = "--tree" ]; then
    build=$(cd "$2" && pwd)
    shift 2
else
    sh scripts/setup.sh
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target qtxiload qtxwin32 qtxpoke qtxmanual
    build="$root/build/windows"
fi
mkdir -p "${1:-docs}"
out=$(cd "${1:-docs}" && pwd)
tour="$build/tour"
mkdir -p "$tour"
start=$(date +%s)

# Always a display of its own: pictures of a desktop in use would show whatever else is on it.
unset DISPLAY
trap 'sh scripts/wine-env.sh stop "$tour"' EXIT
sh scripts/wine-env.sh start "$tour"
DISPLAY=$(cat "$tour/wine/display")
export DISPLAY

run() { sh "$root/scripts/wine-exec.sh" "$tour" "$@"; }
poke() { run "$build/bin/qtxpoke.exe" "$@"; }
loader=""
fail() {
    echo "tour: step $1 failed: $2" >&2
    if [ -n "$loader" ] && ! kill -0 "$loader" 2>/dev/null; then
        code=0
        wait "$loader" || code=$?
        echo "tour: the loader had ended, with exit code $code" >&2
    fi
    exit 1
}

# Menus and caption buttons draw their glyphs with Marlett; a prefix may lack Wine's own fonts.
fonts="$tour/wine/prefix/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ] && [ -d /usr/share/wine/fonts ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/* "$fonts/"
fi
run regedit /S scripts/tour.reg
# Help opens the Windows Help file on the systems that have Windows Help (up to XP), the HTML
# manual in a browser on the others: the tour shows the loader Windows XP (Wine's version setting
# for that program only), so that Help is photographed in Wine's help viewer.
run reg add 'HKCU\Software\Wine\AppDefaults\QTXILOAD.EXE' /v Version /d winxp /f >/dev/null 2>&1

# shot NAME VERB [ARGS...]: qtxpoke shows the window and prints the rectangle to keep.
shot() {
    name=$1
    shift
    poke "$@" >"$tour/geometry" || fail "$name" "qtxpoke $* did not show its window"
    geometry=$(tr -d '\r\n' <"$tour/geometry")
    import -window root -crop "$geometry" +repage "$tour/shot.png" || fail "$name" "no screenshot"
    colours=$(identify -format %k "$tour/shot.png")
    [ "$colours" -ge 4 ] || fail "$name" "the picture has only $colours colours"
    rm -f "$out/$name.png"
    optipng -quiet -o2 -strip all -out "$out/$name.png" "$tour/shot.png"
}
step() {
    name=$1
    shift
    poke "$@" >/dev/null || fail "$name" "qtxpoke $* failed"
}

# Started from the manual's folder: the help viewer finds a help file named without a folder
# through the current folder of the program that asks for it.
(cd "$build/manual" && QTXWIN32_FLAGS=0x0001 run "$build/bin/QTXILOAD.EXE") &
loader=$!
shot 01-menu popup
step hal-off hal
shot 02-menu-ctrl popup ctrl
shot 03-setup setup
shot 04-add add "Tide Runner" "Boat racing, 2D menus"
step close-add dismiss
shot 05-edit edit 1
step close-edit dismiss
shot 06-browser-roots browse
step browser-down down HKEY_LOCAL_MACHINE
step browser-down down SOFTWARE
step browser-down down Quarnell
shot 07-browser-key down Halvane
shot 08-browser-multi-sz value Resolutions
shot 09-browser-binary value GammaRamp
step close-browser dismiss
shot 12-help help
step close-help unhelp
step close-setup dismiss
shot 10-about about
step close close
wait $loader || fail close "the loader did not end cleanly"

# Start-up with the display driver's refusal: the message, then the loader gives up.
QTXWIN32_FLAGS=0x1001 run "$build/bin/QTXILOAD.EXE" &
loader=$!
shot 11-driver-refusal refusal
step close-refusal dismiss
wait $loader || true

echo "tour: $(ls "$out"/[0-9][0-9]-*.png | wc -l) pictures in $out ($(($(date +%s) - start)) s)"

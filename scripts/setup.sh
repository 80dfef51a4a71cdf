#!/bin/sh
# Installs what the build and the tests need from Debian's packages, only what is missing.
# Non-interactive and safe to run again. Needs root or password-less sudo when anything is missing.
set -eu

PKGS="cmake g++ make ninja-build g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine xvfb xauth imagemagick optipng python3 \
googletest clang libclang-rt-14-dev locales nsis zip unzip halibut"

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo -n"; fi
export DEBIAN_FRONTEND=noninteractive

install_missing() {
    missing=""
    for p in $1; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $p"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "setup: installing:$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends $missing
}

install_missing "$PKGS"

# Where the kernel cannot execute 32-bit programs, the Wine tests run in an emulated system.
vm="$(dirname "$0")/wine-vm.sh"
if sh "$vm" needed; then
    install_missing "qemu-system-x86 debootstrap e2fsprogs"
    $SUDO sh "$vm" setup
fi

# Wine takes the ANSI code page from the locale: a UTF-8 locale of a language without an ANSI code
# page gives 65001, which the browser's second Wine run needs; the Japanese one gives the
# double-byte code page 932, which the loader's and the hint dialogs' second Wine runs need.
# Without them those runs are skipped, not failed.
for loc in hy_AM ja_JP; do
    if ! locale -a 2>/dev/null | grep -qx "$loc.utf8" && [ -f /etc/locale.gen ]; then
        if $SUDO sed -i "s/^# *\($loc[.A-Z0-9-]* UTF-8\)\$/\1/" /etc/locale.gen && $SUDO locale-gen >/dev/null 2>&1 &&
            locale -a | grep -qx "$loc.utf8"; then
            echo "setup: generated the locale $loc.UTF-8"
        else
            echo "setup: could not generate the locale $loc.UTF-8; the Wine runs under its code page will be skipped"
        fi
    fi
done

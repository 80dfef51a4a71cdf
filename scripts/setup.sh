#!/bin/sh
# Installs what the build and the tests need from Debian's packages, only what is missing.
# Non-interactive and safe to run again. Needs root or password-less sudo when anything is missing.
set -eu

PKGS="cmake g++ make ninja-build g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine xvfb xauth imagemagick python3 \
googletest libbenchmark-dev clang libclang-rt-14-dev nsis zip unzip"

missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo -n"; fi
export DEBIAN_FRONTEND=noninteractive

echo "setup: installing:$missing"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing

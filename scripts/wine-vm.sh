#!/bin/sh
# Runs the Wine tests where this machine's kernel cannot execute 32-bit programs: inside a small
# Debian system under software emulation, whose own kernel can.
#   wine-vm.sh needed           exit 0 when Wine's 32-bit loader cannot run here
#   wine-vm.sh setup            build that system once, from Debian's packages (needs root)
#   wine-vm.sh run SRC BUILD [REGEX]
#                               run BUILD's tests labelled wine in it (only those whose names match
#                               REGEX, when given); print their output, also kept in BUILD/vm/run.log
#   wine-vm.sh tour SRC BUILD   run the picture tour in it; the pictures land in BUILD/pictures
# The system lives in QTX_VM_DIR (default /var/cache/qtxiload-wine-vm) and boots read-only: every
# run starts from the same state. The trees go in on a disk image of their own, at the same paths.
# Its packages come from where this machine's apt takes Debian's (its sources and its proxy), or
# from QTX_VM_MIRROR when that is set.
set -eu

vm=${QTX_VM_DIR:-/var/cache/qtxiload-wine-vm}
suite=bookworm
guest_pkgs="wine wine32:i386 fonts-wine xvfb xauth imagemagick optipng python3 cmake locales procps"
# Everything runs several times slower under full emulation: the tests multiply each of their
# bounded waits by this factor.
wait_factor=6

# The archives this machine's apt uses for the guest's suite and its updates, as "URI SUITE"
# lines, the suite itself first. apt has read every source format (one-line and deb822) and
# reports the URIs as it resolved them.
apt_sources() {
    if [ -n "${QTX_VM_MIRROR:-}" ]; then
        echo "$QTX_VM_MIRROR $suite"
        return 0
    fi
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(TARGET_OF)' 'Created-By: Packages' 2>/dev/null |
        awk -v s="$suite" '$3 == "main" && $4 == "deb" && ($2 == s || index($2, s "-") == 1) { print ($2 == s ? 0 : 1), $1, $2 }' |
        sort -u | sort -n -s -k1,1 | cut -d' ' -f2-
}

# The proxy apt uses here, if any, so that the guest's downloads go the same way.
apt_proxy() {
    proxy=""
    eval "$(apt-config shell proxy Acquire::http::Proxy)"
    echo "$proxy"
}

# Guest kernel 6.1 oopses on 32-bit Wine when the emulated CPU offers SMAP and SMEP.
boot() { # boot CONSOLE_FILE DISK_OPTIONS...
    console=$1
    shift
    timeout 4200 qemu-system-x86_64 -M q35 -cpu max,-smap,-smep -smp 2 -m 4G -accel tcg,thread=multi \
        -kernel "$vm/vmlinuz" -initrd "$vm/initrd" -no-reboot -display none -nic none -serial "file:$console" \
        -append "root=/dev/vda rw console=ttyS0 init=/sbin/qtx-init quiet" "$@" >/dev/null 2>&1
}

# The guest mounts this image and runs its run.sh, writing run.log beside it.
work_image() { # work_image IMG DIR
    rm -f "$1"
    mkfs.ext4 -q -F -L work -d "$2" "$1" 8G >/dev/null
}

guest_init() {
    cat <<'EOF'
#!/bin/sh
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t proc proc /proc; mount -t sysfs sys /sys 2>/dev/null; mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm /qtxwork; mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run
mount /dev/vdb /qtxwork && sh /qtxwork/run.sh >/qtxwork/run.log 2>&1
sync; umount /qtxwork
echo o >/proc/sysrq-trigger
sleep 30
EOF
}

setup() {
    [ -f "$vm/ready" ] && return 0
    root="$vm/root"
    umount "$root/proc" 2>/dev/null || true # left mounted by a build that was cut short
    rm -rf "$vm"
    mkdir -p "$vm"
    sources=$(apt_sources)
    mirror=$(echo "$sources" | awk -v s="$suite" '$2 == s { print $1; exit }')
    if [ -z "$mirror" ]; then
        echo "wine-vm: this machine's apt has no source of Debian $suite (main) to build the emulated system from; set QTX_VM_MIRROR to a Debian mirror's URL" >&2
        exit 1
    fi
    proxy=$(apt_proxy)
    if [ -n "$proxy" ]; then export http_proxy="$proxy"; fi
    echo "wine-vm: building the emulated system in $vm (once), from $mirror"
    debootstrap --variant=minbase --include=linux-image-amd64,initramfs-tools,kmod,procps \
        "$suite" "$root" "$mirror" >"$vm/debootstrap.log" 2>&1 ||
        { tail -20 "$vm/debootstrap.log" >&2; exit 1; }
    echo "$sources" | awk '{ print "deb", $1, $2, "main" }' >"$root/etc/apt/sources.list"
    if [ -n "$proxy" ]; then
        echo "Acquire::http::Proxy \"$proxy\";" >"$root/etc/apt/apt.conf.d/01proxy"
    fi
    chroot "$root" dpkg --add-architecture i386
    mount -t proc proc "$root/proc"
    trap 'umount "$root/proc" 2>/dev/null || true' EXIT
    rc=0
    { chroot "$root" apt-get update -q && DEBIAN_FRONTEND=noninteractive chroot "$root" \
        apt-get install -y -q --no-install-recommends $guest_pkgs; } >"$vm/apt.log" 2>&1 || rc=$?
    umount "$root/proc"
    [ $rc -eq 0 ] || { tail -20 "$vm/apt.log" >&2; exit 1; }
    # the locales of the runs under code pages 65001 and 932
    sed -i -e 's/^# *\(hy_AM UTF-8\)$/\1/' -e 's/^# *\(ja_JP.UTF-8 UTF-8\)$/\1/' "$root/etc/locale.gen"
    chroot "$root" locale-gen >/dev/null
    chroot "$root" apt-get clean
    rm -f "$root/etc/apt/apt.conf.d/01proxy"
    guest_init >"$root/sbin/qtx-init"
    chmod 755 "$root/sbin/qtx-init"
    cp "$root"/boot/vmlinuz-* "$vm/vmlinuz"
    cp "$root"/boot/initrd.img-* "$vm/initrd"
    mkfs.ext4 -q -F -L root -d "$root" "$vm/root.img" 8G >/dev/null
    rm -rf "$root"

    # The proof that the guest runs 32-bit Wine, before anything relies on it.
    stage="$vm/stage"
    mkdir -p "$stage"
    echo 'dpkg --configure -a; /usr/lib/wine/wine --version' >"$stage/run.sh"
    work_image "$vm/check.img" "$stage"
    rm -rf "$stage"
    boot "$vm/console.log" -drive "file=$vm/root.img,format=raw,if=virtio" -drive "file=$vm/check.img,format=raw,if=virtio"
    out=$(debugfs -R "cat /run.log" "$vm/check.img" 2>/dev/null)
    rm -f "$vm/check.img"
    case "$out" in
    *wine-*) touch "$vm/ready"; echo "wine-vm: ready ($out)" ;;
    *) echo "wine-vm: the emulated system does not run Wine: $out" >&2; exit 1 ;;
    esac
}

# keep_template ARCHIVE IMAGE: keeps the prefix a run made, where none is kept yet and the
# system's folder is writable; drops those made by other versions of wine-env.sh.
keep_template() {
    [ ! -f "$1" ] && [ -w "$vm" ] || return 0
    debugfs -R "stat /tpl/wine/prefix/.qtx-ready" "$2" >/dev/null 2>&1 || return 0
    dump="$vm/template.tmp"
    rm -rf "$dump"
    mkdir -p "$dump"
    if debugfs -R "rdump /tpl $dump" "$2" >/dev/null 2>&1 && [ -f "$dump/tpl/wine/prefix/.qtx-ready" ]; then
        rm -f "$vm"/prefix-*.tar
        tar -C "$dump" -cf "$1.tmp" tpl && mv "$1.tmp" "$1"
    fi
    rm -rf "$dump"
}

# boot_with SRC BUILD SCRIPT [PREPARE]: copies both trees onto a work image (PREPARE, a function,
# may change the copy of BUILD first), boots the system with it and
# runs SCRIPT (shell text) there in BUILD, under a UTF-8 locale: Wine names Unix files in the
# locale's encoding, so without one it cannot create a file whose name is not ASCII. Prints the
# output, also kept in BUILD/vm/run.log, and leaves the image as BUILD/vm/work.img for the caller
# to read. Returns SCRIPT's exit status, or 3 when the system did not finish.
boot_with() {
    src=$(cd "$1" && pwd)
    build=$(cd "$2" && pwd)
    [ -f "$vm/ready" ] || { echo "wine-vm: no emulated system; run scripts/setup.sh" >&2; exit 1; }
    work="$build/vm"
    rm -rf "$work"
    mkdir -p "$work/stage/src" "$work/stage/build"
    (cd "$src" && tar --exclude=./.git --exclude=./build -cf - .) | tar -C "$work/stage/src" -xf -
    (cd "$build" && tar --exclude=./vm --exclude=./wine --exclude=./tour --exclude=./installer/wine \
        --exclude=./pictures -cf - .) | tar -C "$work/stage/build" -xf -
    if [ -n "${4:-}" ]; then "$4" "$work/stage/build"; fi
    # A Wine prefix takes minutes to make there: the first run makes one with wine-env.sh and keeps
    # it here, for every later run whose wine-env.sh is the same to copy.
    template="$vm/prefix-$(sha256sum "$src/scripts/wine-env.sh" | cut -c1-16).tar"
    if [ -f "$template" ]; then tar -C "$work/stage" -xf "$template"; fi
    cat >"$work/stage/run.sh" <<EOF
mkdir -p "$src" && mount --bind /qtxwork/src "$src"
mkdir -p "$build" && mount --bind /qtxwork/build "$build"
export LANG=C.UTF-8 QTX_WAIT_FACTOR=$wait_factor
if [ ! -f /qtxwork/tpl/wine/prefix/.qtx-ready ]; then
    mkdir -p /qtxwork/tpl; sh "$src/scripts/wine-env.sh" start /qtxwork/tpl; sh "$src/scripts/wine-env.sh" stop /qtxwork/tpl
fi
if [ -f /qtxwork/tpl/wine/prefix/.qtx-ready ]; then export QTX_WINE_PREFIX_TEMPLATE=/qtxwork/tpl/wine/prefix; fi
cd "$build" && { $3
}
echo \$? >/qtxwork/rc
EOF
    work_image "$work/work.img" "$work/stage"
    rm -rf "$work/stage"
    boot "$work/console.log" -drive "file=$vm/root.img,format=raw,if=virtio,snapshot=on" \
        -drive "file=$work/work.img,format=raw,if=virtio" || true
    debugfs -R "cat /run.log" "$work/work.img" 2>/dev/null | tee "$work/run.log"
    keep_template "$template" "$work/work.img"
    rc=$(debugfs -R "cat /rc" "$work/work.img" 2>/dev/null || true)
    case "$rc" in
    [0-9]*) return "$rc" ;;
    *)
        echo "wine-vm: the emulated system did not finish its run; its console:" >&2
        tail -20 "$work/console.log" >&2
        return 3
        ;;
    esac
}

# The copy of BUILD enables the tests the tree disabled for want of Wine, and multiplies their time
# limits, made for a machine that runs Wine directly, by the wait factor.
enable_wine_tests() { # enable_wine_tests BUILD_COPY
    find "$1" -name CTestTestfile.cmake -exec perl -pi -e \
        's/ DISABLED "TRUE"//; s/ TIMEOUT "(\d+)"/sprintf(q{ TIMEOUT "%d"}, $1 * '"$wait_factor"')/ge' {} +
}

run() {
    filter=""
    case "${3:-}" in
    *\'*) echo "wine-vm: a test name pattern may not hold a single quote" >&2; exit 2 ;;
    ?*) filter="-R '$3'" ;;
    esac
    rc=0
    boot_with "$1" "$2" "ctest -L wine $filter --timeout 1800 --output-on-failure -j2" enable_wine_tests || rc=$?
    rm -f "$build/vm/work.img"
    [ $rc -eq 0 ] || exit 1
}

# sh SRC BUILD SCRIPT: runs SCRIPT (shell text) in BUILD there, for measuring programs and the like;
# wine-env.sh start/stop in SCRIPT give it a prefix (the kept one, copied) and a display.
script() {
    rc=0
    boot_with "$1" "$2" "$3" || rc=$?
    rm -f "$build/vm/work.img"
    [ $rc -eq 0 ] || exit 1
}

tour() {
    rc=0
    boot_with "$1" "$2" "sh '$(cd "$1" && pwd)/scripts/tour.sh' --tree '$(cd "$2" && pwd)' '$(cd "$2" && pwd)/pictures'" || rc=$?
    rm -rf "$build/pictures"
    debugfs -R "rdump /build/pictures $build" "$build/vm/work.img" >/dev/null 2>&1 || true
    rm -f "$build/vm/work.img"
    [ $rc -eq 0 ] || exit 1
}

case "${1:-}" in
needed) [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 ;;
setup) setup ;;
run) run "$2" "$3" "${4:-}" ;;
tour) tour "$2" "$3" ;;
sh) script "$2" "$3" "$4" ;;
*) echo "usage: wine-vm.sh needed|setup|run SRC BUILD [REGEX]|tour SRC BUILD|sh SRC BUILD SCRIPT" >&2; exit 2 ;;
esac

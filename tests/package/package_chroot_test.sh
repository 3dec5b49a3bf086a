#!/usr/bin/env bash
# The Debian package on a fresh Debian 12: built from a Release configuration
# of its own, installed into a minbase debootstrap root by apt (which brings
# every dependency it names), then run from the installed files only: the
# version, the manual page, and the player headless in a network namespace,
# driven over loopback by the installed zuvio-remote, with its DMX driver
# loaded from /usr/lib/zuvio. Skipped (77) without root or the Debian mirror.
# The minbase root and the downloaded packages are kept in WORK for the next
# run; everything works without them.
# Usage: package_chroot_test.sh SOURCE_DIR WORK MAKE_DEMO_MEDIA
set -u
source_dir=$1
work=$2
make_media=$3
mirror=${ZUVIO_DEBIAN_MIRROR:-http://deb.debian.org/debian}
here=$(cd "$(dirname "$0")" && pwd)

[ "$(id -u)" -eq 0 ] || { echo "SKIP: not running as root" >&2; exit 77; }
python3 -c 'import sys, urllib.request as u; u.urlopen(u.Request(sys.argv[1], method="HEAD"), timeout=15)' \
    "$mirror/dists/bookworm/Release" 2>/dev/null || { echo "SKIP: the Debian mirror $mirror cannot be reached" >&2; exit 77; }
. "$here/../netns/netns.sh"
netns_setup

mkdir -p "$work/apt-archives"
root=$(mktemp -d "$work/root.XXXXXX")
mounts=()
cleanup() {
    netns_cleanup # ends the player and the listener first: they run in the root
    local m ok=1
    for m in "${mounts[@]}"; do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
        mountpoint -q "$m" && ok=0
    done
    if [ "$ok" -eq 1 ]; then rm -rf "$root"; else echo "left $root: a mount could not be removed" >&2; fi
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
seconds() { echo $(($(date +%s) - start)); }
start=$(date +%s)

# The package, from the installed targets only.
release=$work/release
if [ ! -f "$release/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    cmake -S "$source_dir" -B "$release" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX=/usr -DZUVIO_BUILD_TESTS=OFF -DZUVIO_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 \
        || { cat "$work/configure.log" >&2; exit 1; }
fi
rm -f "$release"/zuvio_*.deb
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$source_dir")} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake --build "$release" --target package >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log" >&2; exit 1; }
deb=$(ls "$release"/zuvio_*.deb)
echo "package built in $(seconds) s: $(basename "$deb")"
dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ { sub(/^\.\/usr\//, "", $6); print $6 }' | sort >"$work/deb-files"
diff "$here/installed-files.txt" "$work/deb-files" >&2 || fail "the package's files differ from installed-files.txt"

# A fresh Debian 12, from the cached tarball when there is one.
tarball=$work/bookworm-minbase.tar
if [ -s "$tarball" ]; then
    tar -xf "$tarball" -C "$root" || { echo "cannot unpack $tarball" >&2; exit 1; }
else
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
        || { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
    tar -cf "$tarball.part" -C "$root" . && mv "$tarball.part" "$tarball"
fi
echo "root ready at $(seconds) s"
mount -t proc proc "$root/proc" && mounts+=("$root/proc") || { echo "cannot mount /proc" >&2; exit 1; }
mount --bind "$work/apt-archives" "$root/var/cache/apt/archives" && mounts+=("$root/var/cache/apt/archives") \
    || { echo "cannot mount the package cache" >&2; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" # no service starts inside the root
chmod +x "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8 "$@"; }
# Only what the package depends on: no recommended packages.
{ in_root apt-get update -q && in_root env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")"; } >"$work/apt.log" 2>&1 \
    || { tail -n 30 "$work/apt.log" >&2; exit 1; }
echo "installed with its dependencies at $(seconds) s"

version=$(in_root zuvio --version 2>&1)
[[ $version == "Zuvio "* ]] || fail "zuvio --version said: $version"
zcat "$root/usr/share/man/man1/zuvio.1.gz" | grep -q '^\.TH ZUVIO' || fail "no manual page"
grep -qx "ExecStart=/usr/bin/zuvio --log-stderr" "$root/usr/lib/systemd/system/zuvio.service" || fail "system unit"

# The installed player, headless, with two generated clips; bound to 0.0.0.0 it
# hears commands on loopback.
"$make_media" "$root/tmp/media" 2 2 >/dev/null || { echo "cannot generate the clips" >&2; exit 1; }
sed -i "s|$root||" "$root/tmp/media/demo.m3u"
mkdir -p "$root/tmp/config/vexo" "$root/tmp/run"
printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_AutoPlaylist=/tmp/media/demo.m3u\nm_BindIpAddress=0.0.0.0\nm_iDmxSource=1\n' \
    >"$root/tmp/config/vexo/Zuvio.conf"
packets=$work/packets.jsonl
: >"$packets"
ip netns exec "$NETNS_PLAYER" chroot "$root" env -i PATH=/usr/bin:/bin zuvio-remote --json listen >"$packets" 2>/dev/null &
ip netns exec "$NETNS_PLAYER" chroot "$root" env -i PATH=/usr/bin:/bin HOME=/tmp QT_QPA_PLATFORM=offscreen \
    XDG_CONFIG_HOME=/tmp/config XDG_RUNTIME_DIR=/tmp/run env -C /tmp/run \
    zuvio --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" \
    --status-address=127.0.0.1 --osc=off --log-stderr >/dev/null 2>"$work/player.log" &
player=$!
netns_wait_line "$packets" 0 30 '"kind":"status"' '"file":"clip1.avi"' || fail "no status packet naming clip1.avi"
m=$(wc -l <"$packets")
netns_player chroot "$root" zuvio-remote --host 127.0.0.1 play A || fail "zuvio-remote play A"
netns_wait_line "$packets" "$m" 10 '"text":"Player A: Playback started.\n"' || fail "no reply to play A"
netns_wait_line "$packets" "$m" 10 '"kind":"status"' '"state":2' || fail "no playing status"
# The package ships no DMX driver: the player says where the maker's goes.
grep -qF "Corvana#1 (Not found): the device maker's driver library goes in /usr/lib/zuvio/Drivers/Corvana/corvana.so" \
    "$work/player.log" || fail "no line saying where the device maker's driver goes"
[ ! -e "$root/usr/lib/zuvio/Drivers/Corvana/corvana.so" ] || fail "the package installs a DMX driver"
kill -TERM "$player"
wait "$player" || fail "exit code $? after SIGTERM"

if [ "$failures" -ne 0 ]; then
    echo "--- player log ---" >&2
    cat "$work/player.log" >&2
    tail -n 10 "$packets" >&2
    exit 1
fi
echo "package installed and played in a fresh Debian 12 root in $(seconds) s"

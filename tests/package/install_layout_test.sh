#!/usr/bin/env bash
# "cmake --install" of a build into a staging folder: exactly the operator's
# files (no test programs), units that start the installed player, a valid
# desktop entry, a manual page; no DMX driver, and the installed player says
# where the maker's goes and loads one put there (the simulator stands in).
# Usage: install_layout_test.sh BUILD_DIR PREFIX SIMULATED_DRIVER
set -u
build=$1
prefix=$2
simulator=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
player=""
trap '[ -n "$player" ] && kill -9 "$player" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$work/stage cmake --install "$build" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; exit 1; }
root=$work/stage$prefix
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/files"
diff "$here/installed-files.txt" "$work/files" >&2 || fail "installed files differ from installed-files.txt"

for unit in user system; do
    grep -qx "ExecStart=$prefix/bin/zuvio --log-stderr" "$root/lib/systemd/$unit/zuvio.service" \
        || fail "the $unit unit does not start $prefix/bin/zuvio"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/share/applications/zuvio.desktop" || fail "desktop entry invalid"
fi
zcat "$root/share/man/man1/zuvio.1.gz" 2>/dev/null | grep -q -- 'status\\-address' || fail "manual page lacks the options"

# Every library the installed programs link comes from a package of the runtime
# list (the package's Depends): what "install-deps.sh runtime" installs suffices.
runtime=$(sed -n '/^runtime=(/,/^)/p' "$here/../../scripts/install-deps.sh" | sed '1d;$d;s/#.*//')
for program in zuvio zuvio-remote; do
    for lib in $(objdump -p "$root/bin/$program" | awk '/NEEDED/ {print $2}'); do
        file=$(ldconfig -p | awk -v lib="$lib" '$1 == lib {print $NF; exit}')
        real=$(readlink -f "$file")
        # With a merged /usr, dpkg may know the file under /lib.
        package=$({ dpkg -S "$real" || dpkg -S "${real#/usr}"; } 2>/dev/null | head -n1 | cut -d: -f1)
        case $package in libc6 | libstdc++6 | libgcc-s1 | libasan* | libubsan* | libtsan*) continue ;; esac
        grep -qx "[[:space:]]*$package[[:space:]]*" <<<"$runtime" \
            || fail "$program links $lib from ${package:-no package}, not in the runtime list"
    done
done

mkdir -p "$work/config/vexo" "$work/run"
printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_iRemoteCtrl=0\nm_iDmxSource=1\n' >"$work/config/vexo/Zuvio.conf"
# Starts the installed player until it has tried its driver, then stops it.
run_player() {
    env -u ZUVIO_CORVANA_DRIVER -C "$work/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
        "$root/bin/zuvio" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" \
        --status-address=127.0.0.1 --osc=off --log-stderr >/dev/null 2>"$work/player.log" &
    player=$!
    for _ in $(seq 300); do
        grep -q "Corvana#1 driver successfully initialized\.\|Corvana#1 (Not found): " "$work/player.log" && break
        kill -0 "$player" 2>/dev/null || break
        sleep 0.1
    done
}
stop_player() {
    kill -TERM "$player"
    wait "$player" || fail "exit code $? after SIGTERM"
    player=""
}

driver=$root/lib/zuvio/Drivers/Corvana/corvana.so
run_player
grep -qF "Corvana#1 (Not found): the device maker's driver library goes in $driver" "$work/player.log" \
    || { fail "the installed player did not say where the driver goes"; cat "$work/player.log" >&2; }
stop_player

mkdir -p "$(dirname "$driver")" && cp "$simulator" "$driver"
run_player
grep -q "Corvana#1 driver successfully initialized\." "$work/player.log" \
    || { fail "the installed player did not load the driver put in its place"; cat "$work/player.log" >&2; }
grep -qF "$driver is the simulated driver" "$work/player.log" || fail "the simulator passed for a device"
stop_player

[ "$failures" -eq 0 ] || exit 1
echo "install layout: $(wc -l <"$work/files") files, units, desktop entry, manual page, driver place"

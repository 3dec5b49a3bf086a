#!/usr/bin/env bash
# "cmake --install" of a build into a staging folder: exactly the operator's
# files (no test programs), units that start the installed player, a valid
# desktop entry, a manual page; and the installed player loads its driver
# from <prefix>/lib/zuvio, the only copy it can reach from there.
# Usage: install_layout_test.sh BUILD_DIR PREFIX
set -u
build=$1
prefix=$2
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

mkdir -p "$work/config/vexo" "$work/run"
printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_iRemoteCtrl=0\nm_iDmxSource=1\n' >"$work/config/vexo/Zuvio.conf"
env -C "$work/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
    "$root/bin/zuvio" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" \
    --status-address=127.0.0.1 --osc=off --log-stderr >/dev/null 2>"$work/player.log" &
player=$!
for _ in $(seq 300); do
    grep -q "Corvana#1 driver successfully initialized\.\|CCorvanaDriver: Failed" "$work/player.log" && break
    kill -0 "$player" 2>/dev/null || break
    sleep 0.1
done
grep -q "Corvana#1 driver successfully initialized\." "$work/player.log" \
    || { fail "the installed player did not load its driver"; cat "$work/player.log" >&2; }
kill -TERM "$player"
wait "$player" || fail "exit code $? after SIGTERM"
player=""

[ "$failures" -eq 0 ] || exit 1
echo "install layout: $(wc -l <"$work/files") files, units, desktop entry, manual page, driver found"

#!/usr/bin/env bash
# The player's side of systemd's notify protocol, with a stand-in for systemd:
# a datagram socket in NOTIFY_SOCKET that records what arrives. The player says
# READY=1, then pings the watchdog from its interface thread; when that thread
# blocks (the test hook) the pings stop, which is what makes systemd restart it.
# Without a notify socket nothing is sent (the suite's other runs).
# Usage: service_watchdog_test.sh ZUVIO
set -u
zuvio=$(realpath "$1")
command -v python3 >/dev/null || { echo "SKIP: python3 missing" >&2; exit 77; }
work=$(mktemp -d)
trap '{ kill -9 $player $reader; wait; } 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

python3 - "$work/notify.sock" "$work/notes" <<'PY' &
import socket, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
start = time.monotonic()
with open(sys.argv[2], "w", buffering=1) as out:
    while True:
        data = s.recv(4096).decode()
        for line in data.split("\n"):
            out.write("%.3f %s\n" % (time.monotonic() - start, line))
PY
reader=$!
for _ in $(seq 50); do [ -S "$work/notify.sock" ] && break; sleep 0.1; done
mkdir -p "$work/config/vexo"
printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_iRemoteCtrl=0\nm_iDmxSource=0\n' >"$work/config/vexo/Zuvio.conf"
# Watchdog 2 s: pings every 0.5 s; the interface thread blocks 4 s after start.
env -C "$work" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" NOTIFY_SOCKET="$work/notify.sock" \
    WATCHDOG_USEC=2000000 ZUVIO_TEST_HANG_AFTER_S=4 \
    "$zuvio" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" --status-address=127.0.0.1 \
    --log-stderr >/dev/null 2>"$work/player.log" &
player=$!
for _ in $(seq 300); do grep -q "blocking the interface thread" "$work/player.log" && break; sleep 0.1; done
grep -q "blocking the interface thread" "$work/player.log" || fail "the test hook never blocked the interface thread"
sleep 3 # longer than the watchdog time
grep -q " READY=1$" "$work/notes" || fail "no READY=1"
ready=$(awk '$2 == "READY=1" { print $1; exit }' "$work/notes")
pings=$(awk -v r="$ready" '$2 == "WATCHDOG=1" && $1 > r' "$work/notes" | wc -l)
[ "$pings" -ge 3 ] || fail "only $pings watchdog pings before the block"
# Nothing may arrive once the thread is blocked: the notes end before it.
n_before=$(wc -l <"$work/notes")
sleep 2.5
[ "$(wc -l <"$work/notes")" -eq "$n_before" ] || fail "watchdog pings went on while the interface thread was blocked"
echo "service: READY=1 at ${ready}s, $pings pings, none while the interface thread was blocked"

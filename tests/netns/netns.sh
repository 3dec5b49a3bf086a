# netns.sh: a show network in network namespaces, for tests that send real
# broadcasts. Source it from bash, then:
#
#   netns_setup                  # or exits 77 (ctest SKIP_RETURN_CODE) saying why
#   netns_player CMD ARGS...     # runs CMD in the player namespace
#   netns_controller CMD ARGS... # runs CMD in the controller namespace
#   netns_other CMD ARGS...      # runs CMD in the namespace of the other network
#   netns_show_link              # makes the show link (again, after "ip link del")
#   netns_wait_for FILE TEXT SECONDS
#   netns_player_settings CONFIG_HOME PLAYLIST
#   netns_wait_line FILE MARK SECONDS PATTERN...
#
# and for a test of the whole player:
#   netns_test_setup             # netns_setup, a work folder $work, failures=0
#   netns_test_media MAKE_DEMO_MEDIA CLIPS SECONDS  # clips, and settings that load them
#   netns_start_player LOG [VAR=VALUE...] ZUVIO [ARG...]  # sets player_pid
#
# As on a real show network there is no gateway: no namespace has a default
# route. The player has two adapters:
#   show link   veth-p 10.77.0.1/24  <->  veth-c 10.77.0.2/24  controller
#   other link  veth-o 10.78.0.1/24  <->  veth-x 10.78.0.2/24  other
# The other link is made first, so it comes first in the adapter list.
# Nothing ever reaches the host's own network. Every namespace, and every
# process left in it, is removed when the sourcing shell exits, whether the
# test passed, failed or was interrupted. Names carry the shell's pid and a
# random tag, so parallel runs never meet.

NETNS_SKIP=77
NETNS_PLAYER_IP=10.77.0.1
NETNS_CONTROLLER_IP=10.77.0.2
NETNS_BROADCAST=10.77.0.255
NETNS_PLAYER_OTHER_IP=10.78.0.1
NETNS_OTHER_IP=10.78.0.2
NETNS_OTHER_BROADCAST=10.78.0.255
NETNS_PLAYER=""
NETNS_CONTROLLER=""
NETNS_OTHER=""
NETNS_PLAYER_MAC=""

netns_skip() {
    echo "SKIP: $*; the namespace tests need root and iproute2 (ip netns, veth)" >&2
    exit "$NETNS_SKIP"
}

netns_cleanup() {
    local ns pid
    for ns in "$NETNS_PLAYER" "$NETNS_CONTROLLER" "$NETNS_OTHER"; do
        [ -n "$ns" ] || continue
        # Only processes inside our own namespaces are ours to end.
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -TERM "$pid" 2>/dev/null
        done
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            [ -z "$(ip netns pids "$ns" 2>/dev/null)" ] && break
            sleep 0.1
        done
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -KILL "$pid" 2>/dev/null
        done
        ip netns del "$ns" 2>/dev/null
    done
    NETNS_PLAYER=""
    NETNS_CONTROLLER=""
    NETNS_OTHER=""
}

netns_setup() {
    [ "$(id -u)" -eq 0 ] || netns_skip "not running as root"
    command -v ip >/dev/null 2>&1 || netns_skip "the ip command is missing"

    local tag="zv$$-$RANDOM" lock
    trap 'netns_cleanup' EXIT
    trap 'exit 130' INT TERM
    # Concurrent "ip netns add" can race on setting up /run/netns; one setup at a time.
    if command -v flock >/dev/null 2>&1 && exec {lock}>"${TMPDIR:-/tmp}/zuvio-netns.lock"; then
        flock -w 60 "$lock" || netns_skip "the namespace setup lock is held elsewhere"
    fi
    NETNS_PLAYER="$tag-player"
    ip netns add "$NETNS_PLAYER" 2>/dev/null || { NETNS_PLAYER=""; netns_skip "cannot create a network namespace"; }
    NETNS_CONTROLLER="$tag-ctl"
    ip netns add "$NETNS_CONTROLLER" || netns_skip "cannot create a second network namespace"
    NETNS_OTHER="$tag-oth"
    ip netns add "$NETNS_OTHER" || netns_skip "cannot create a third network namespace"
    # Made inside the player namespace: no interface name ever appears on the host.
    ip -n "$NETNS_PLAYER" link add veth-o type veth peer name veth-x netns "$NETNS_OTHER" \
        || netns_skip "cannot create a veth pair"

    ip -n "$NETNS_PLAYER" link set lo up &&
    ip -n "$NETNS_CONTROLLER" link set lo up &&
    ip -n "$NETNS_OTHER" link set lo up &&
    ip -n "$NETNS_PLAYER" addr add "$NETNS_PLAYER_OTHER_IP/24" dev veth-o &&
    ip -n "$NETNS_OTHER" addr add "$NETNS_OTHER_IP/24" dev veth-x &&
    ip -n "$NETNS_PLAYER" link set veth-o up &&
    ip -n "$NETNS_OTHER" link set veth-x up &&
    netns_show_link || { echo "netns_setup: configuring the links failed" >&2; exit 1; }

    [ -n "${lock:-}" ] && exec {lock}>&-
}

netns_show_link() {
    ip -n "$NETNS_PLAYER" link add veth-p type veth peer name veth-c netns "$NETNS_CONTROLLER" &&
    ip -n "$NETNS_PLAYER" addr add "$NETNS_PLAYER_IP/24" dev veth-p &&
    ip -n "$NETNS_CONTROLLER" addr add "$NETNS_CONTROLLER_IP/24" dev veth-c &&
    ip -n "$NETNS_PLAYER" link set veth-p up &&
    ip -n "$NETNS_CONTROLLER" link set veth-c up || return 1
    NETNS_PLAYER_MAC=$(ip -n "$NETNS_PLAYER" -o link show veth-p | sed -n 's/.*link\/ether \([0-9a-f:]*\).*/\1/p')
}

netns_player() {
    ip netns exec "$NETNS_PLAYER" "$@"
}

netns_controller() {
    ip netns exec "$NETNS_CONTROLLER" "$@"
}

netns_other() {
    ip netns exec "$NETNS_OTHER" "$@"
}

# Writes the settings of a player run headless in the player namespace: no
# splash, PLAYLIST loaded at start, the server bound to the player's address.
# Callers append further sections to CONFIG_HOME/vexo/Zuvio.conf.
netns_player_settings() { # CONFIG_HOME PLAYLIST
    mkdir -p "$1/vexo"
    printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_AutoPlaylist=%s\nm_BindIpAddress=%s\n' \
        "$2" "$NETNS_PLAYER_IP" >"$1/vexo/Zuvio.conf"
}

# Waits up to SECONDS for a line of FILE after line MARK that holds every PATTERN.
netns_wait_line() { # FILE MARK SECONDS PATTERN...
    local file=$1 from=$2 seconds=$3 waited=0 line p ok
    shift 3
    while [ "$waited" -le $((seconds * 10)) ]; do
        while IFS= read -r line; do
            ok=1
            for p in "$@"; do
                grep -qF -- "$p" <<<"$line" || { ok=0; break; }
            done
            [ "$ok" -eq 1 ] && return 0
        done < <(tail -n +"$((from + 1))" "$file")
        sleep 0.1
        waited=$((waited + 1))
    done
    return 1
}

# Waits until FILE contains TEXT, for at most SECONDS.
netns_wait_for() {
    local file=$1 text=$2 seconds=$3 waited=0
    until grep -qF -- "$text" "$file" 2>/dev/null; do
        if [ "$waited" -ge $((seconds * 10)) ]; then
            echo "netns_wait_for: '$text' did not appear in $file within ${seconds}s" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

# The frame of a test of the whole player: netns_setup, then a work folder $work
# holding config/vexo and run, removed on exit after the namespaces and after the
# commands in NETNS_ON_EXIT (a caller's own clean-up); fail() counts $failures.
netns_test_setup() {
    netns_setup
    work=$(mktemp -d)
    trap 'netns_cleanup; eval "${NETNS_ON_EXIT:-}"; rm -rf "$work"' EXIT
    mkdir -p "$work/config/vexo" "$work/run"
    failures=0
}

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# CLIPS generated clips of SECONDS each in $work/media, and the player's settings
# (netns_player_settings) loading their playlist at start.
netns_test_media() { # MAKE_DEMO_MEDIA CLIPS SECONDS
    "$1" "$work/media" "$2" "$3" >/dev/null || { echo "cannot generate the clips" >&2; exit 1; }
    netns_player_settings "$work/config" "$work/media/demo.m3u"
}

# Starts ZUVIO headless in the player namespace with synchronised fake sinks and
# its log on standard error, which goes to LOG (standard output to LOG.out). It
# runs in NETNS_RUN_DIR (else $work/run) with the settings of NETNS_CONFIG_HOME
# (else $work/config); VAR=VALUE words before ZUVIO go into its environment.
netns_start_player() { # LOG [VAR=VALUE...] ZUVIO [ARG...]
    local log=$1 vars=()
    shift
    while [[ $1 == *=* ]]; do
        vars+=("$1")
        shift
    done
    # A simple command in the background, so that $! is the player itself.
    ip netns exec "$NETNS_PLAYER" env -C "${NETNS_RUN_DIR:-$work/run}" QT_QPA_PLATFORM=offscreen \
        XDG_CONFIG_HOME="${NETNS_CONFIG_HOME:-$work/config}" "${vars[@]}" \
        "$1" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" --log-stderr "${@:2}" \
        >"$log.out" 2>"$log" &
    player_pid=$!
}

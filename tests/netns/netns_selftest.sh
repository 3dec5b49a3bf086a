#!/usr/bin/env bash
# The namespace harness itself: a show network without a default route and a
# second network beside it, the namespaces go away even when the test using
# them fails or is killed, parallel setups do not meet, and without root the
# tests are skipped rather than run outside.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
[ "$(id -u)" -eq 0 ] || netns_skip "not running as root"
command -v ip >/dev/null 2>&1 || netns_skip "the ip command is missing"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A failing test: its namespaces are still removed.
bash -c ". '$here/netns.sh'; netns_setup; echo \"\$NETNS_PLAYER \$NETNS_CONTROLLER \$NETNS_OTHER\" >'$work/names'; false"
status=$?
[ "$status" -eq 77 ] && { echo "SKIP: namespaces cannot be made here" >&2; exit 77; }
[ "$status" -eq 1 ] || fail "a failing test should keep its status 1, got $status"
for ns in $(cat "$work/names"); do
    ip netns list | grep -qw -- "$ns" && fail "namespace $ns left behind after a failure"
done

# A test killed while a process runs in its namespace: both go.
bash -c ". '$here/netns.sh'; netns_setup; echo \"\$NETNS_PLAYER\" >'$work/killed'; netns_player sleep 300 & wait" &
runner=$!
netns_wait_for "$work/killed" "zv" 10 || fail "the killed test did not start"
kill -TERM "$runner"
wait "$runner" 2>/dev/null
ns=$(cat "$work/killed")
ip netns list | grep -qw -- "$ns" && fail "namespace $ns left behind after TERM"

# The topology: no default route anywhere, and the other network reaches the
# player's second address (a refused TCP connection proves the peer answered).
bash -c ". '$here/netns.sh'; netns_setup
    for ns in \$NETNS_PLAYER \$NETNS_CONTROLLER \$NETNS_OTHER; do
        [ -z \"\$(ip -n \$ns route show default)\" ] || echo \"default route in \$ns\"
    done
    netns_other timeout 10 bash -c \"exec 3<>/dev/tcp/\$NETNS_PLAYER_OTHER_IP/9\" 2>&1 | grep -q 'Connection refused' \
        || echo 'the other network does not reach the player'" >"$work/topology" 2>&1
[ -s "$work/topology" ] && fail "topology: $(cat "$work/topology")"

# Two pairs at once, each with the same addresses, neither disturbing the other:
# a refused TCP connection proves the peer answered across the veth.
for i in 1 2; do
    bash -c ". '$here/netns.sh'; netns_setup; netns_controller timeout 10 bash -c \"exec 3<>/dev/tcp/\$NETNS_PLAYER_IP/9\"" \
        >"$work/probe$i" 2>&1 &
    pids[$i]=$!
done
for i in 1 2; do
    wait "${pids[$i]}"
    grep -q "Connection refused" "$work/probe$i" || { fail "parallel pair $i could not reach its peer"; cat "$work/probe$i" >&2; }
done

# Without root: skipped with a message, not run.
if command -v setpriv >/dev/null 2>&1; then
    setpriv --reuid=65534 --regid=65534 --clear-groups bash -c ". '$here/netns.sh'; netns_setup; echo RAN" \
        >"$work/user.out" 2>"$work/user.err"
    status=$?
    [ "$status" -eq 77 ] || fail "an unprivileged run should exit 77, got $status"
    grep -q RAN "$work/user.out" && fail "an unprivileged run went on"
    grep -q "SKIP: not running as root" "$work/user.err" || fail "no skip message"
fi

[ "$failures" -eq 0 ] || exit 1
echo "namespace harness test passed"

#!/usr/bin/env bash
# run-crash-tests.sh SAVER kill KIND N   kill -9 the saver N times at random moments
#                                        (KIND: playlist, exit or settings)
# run-crash-tests.sh SAVER fullfs       saves onto a full file system
# run-crash-tests.sh SAVER readonly     saves into a read-only folder
#
# After every kill the file must be the old or the new one, whole; a temporary
# file may survive the kill itself but not the next save. Exit 77 = skipped.
set -uo pipefail
saver=$(realpath "$1")
what=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zuvio-crash.XXXXXX")
trap 'umount "$work/mnt" 2>/dev/null; rm -rf "$work"' EXIT
export ZUVIO_CRASH_MEDIA=$work/media
fail() { echo "FAIL: $*" >&2; tail -5 "$work/log" >&2 2>/dev/null; exit 1; }
hash() { sha256sum "$1" 2>/dev/null | cut -d' ' -f1; }

# Files in the folders that are not the saved files themselves.
leftovers() {
  find "$@" -mindepth 1 -type f ! -name show.m3u ! -name LastPLS.dat ! -name Zuvio.conf -printf '%f\n' 2>/dev/null
}

# Runs one save to the end (no loop) for KIND and VARIANT.
save_once() {
  local kind=$1 variant=$2
  case $kind in
    playlist) "$saver" playlist "$work/data/show.m3u" "$variant" ;;
    exit) "$saver" exit "$work/data" "$variant" ;;
    settings) "$saver" settings "$variant" ;;
  esac >/dev/null 2>>"$work/log"
}

target_of() {
  case $1 in
    playlist) echo "$work/data/show.m3u" ;;
    exit) echo "$work/data/LastPLS.dat" ;;
    settings) echo "$work/config/vexo/Zuvio.conf" ;;
  esac
}

kill_test() {
  local kind=$1 runs=$2 target
  target=$(target_of "$kind")
  mkdir -p "$work/data" "$work/config"
  export XDG_CONFIG_HOME=$work/config
  save_once "$kind" b || fail "$kind: save b failed"
  local hb; hb=$(hash "$target")
  save_once "$kind" a || fail "$kind: save a failed"
  local ha; ha=$(hash "$target")
  [ -n "$ha" ] && [ "$ha" != "$hb" ] || fail "$kind: the two variants must differ"

  local n_a=0 n_b=0 n_temp=0 n_kept=0 i kinds_seen=""
  for ((i = 0; i < runs; i++)); do
    local start=a; ((RANDOM % 2)) && start=b
    local out=$work/out.$i
    local args
    case $kind in
      playlist) args=(playlist "$target" "$start" loop) ;;
      exit) args=(exit "$work/data" "$start" loop) ;;
      settings) args=(settings "$start" loop) ;;
    esac
    "$saver" "${args[@]}" >"$out" 2>>"$work/log" &
    local pid=$! # the saver itself, not a subshell: the kill must hit the saving process
    local waited=0
    until grep -q saving "$out" 2>/dev/null; do
      kill -0 "$pid" 2>/dev/null || fail "$kind: the saver stopped before saving"
      ((waited++ < 3000)) || fail "$kind: the saver did not start within 30 s"
      sleep 0.01
    done
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rm -f "$out"

    local h; h=$(hash "$target")
    if [ "$h" = "$ha" ]; then
      n_a=$((n_a + 1))
    elif [ "$h" = "$hb" ]; then
      n_b=$((n_b + 1))
    else
      local why="cut or damaged"
      [ "$kind" = settings ] && "$saver" check-settings "$target" 2>>"$work/log" \
        && why="whole, but old and new values mixed"
      fail "$kind: kill $i left a file that is neither version: $why (size $(stat -c %s "$target" 2>/dev/null || echo none))"
    fi
    local seen; seen=$(leftovers "$work/data" "$work/config")
    if [ -n "$seen" ]; then
      n_temp=$((n_temp + 1))
      kinds_seen+=$'\n'$(sed 's/[0-9]\+/N/g; s/\.[A-Za-z0-9]\{6\}$/.XXXXXX/' <<<"$seen")
    fi

    # The next save must succeed and leave no temporary file behind, stale ones included.
    save_once "$kind" a || fail "$kind: the save after kill $i failed"
    local left; left=$(leftovers "$work/data" "$work/config")
    # A settings temporary whose random ending is all lower case (1 in 64) is kept
    # on purpose: it cannot be told from an operator's "Zuvio.conf.backup".
    if grep -qx 'Zuvio\.conf\.[a-z]\{6\}' <<<"$left"; then
      n_kept=$((n_kept + 1))
      find "$work/config" -name 'Zuvio.conf.[a-z][a-z][a-z][a-z][a-z][a-z]' -delete
      left=$(leftovers "$work/data" "$work/config")
    fi
    [ -z "$left" ] || fail "$kind: left behind after the next save: $left"
  done
  echo "$kind: $runs kills: old a/new b: $n_a/$n_b, anything else: 0; temporary file present right after the kill: $n_temp ($(sort -u <<<"$kinds_seen" | xargs)); after the next save: 0 (lower-case endings kept: $n_kept)"
}

# Runs the rest of this script in a private mount namespace, or skips.
in_namespace() {
  if [ -z "${ZUVIO_CRASH_NS:-}" ]; then
    if [ "$(id -u)" -ne 0 ] || ! unshare -m --propagation private true 2>/dev/null; then
      echo "SKIP: needs root and unshare -m"; exit 77
    fi
    ZUVIO_CRASH_NS=1 exec unshare -m --propagation private bash "$0" "$saver" "$what"
  fi
}

expect_refused() {
  local what=$1 rc=$2 pattern=$3 file=$4 old=$5
  [ "$rc" -ne 0 ] || fail "$what: reported success"
  grep -q "$pattern" "$work/log" || fail "$what: no error in the log: $(tail -3 "$work/log")"
  echo "  $what: logged: $(grep -m1 "$pattern" "$work/log")"
  [ "$(hash "$file")" = "$old" ] || fail "$what: the old file changed"
  local left; left=$(leftovers "$(dirname "$file")")
  [ -z "$left" ] || fail "$what: left behind: $left"
  : >"$work/log"
}

# Saves every kind once more (variant b) into MNT and expects each to be refused.
refused_saves() {
  local mnt=$1 pattern=$2
  local pl=$mnt/data/show.m3u conf=$mnt/config/vexo/Zuvio.conf last=$mnt/data/LastPLS.dat
  local hp hc hl rc
  hp=$(hash "$pl"); hc=$(hash "$conf"); hl=$(hash "$last")
  "$saver" playlist "$pl" b >/dev/null 2>>"$work/log"; rc=$?
  expect_refused "playlist save ($pattern)" $rc "$pattern" "$pl" "$hp"
  XDG_CONFIG_HOME=$mnt/config "$saver" settings b >/dev/null 2>>"$work/log"; rc=$?
  expect_refused "settings save ($pattern)" $rc "cannot be accessed" "$conf" "$hc"
  # The exit save reports nothing to its caller; the log and the file tell.
  XDG_CONFIG_HOME=$mnt/config "$saver" exit "$mnt/data" b >/dev/null 2>>"$work/log"
  expect_refused "exit save ($pattern)" 1 "$pattern" "$last" "$hl"
}

prepare_old_files() {
  local mnt=$1
  mkdir -p "$mnt/data" "$mnt/config"
  "$saver" playlist "$mnt/data/show.m3u" a >/dev/null 2>>"$work/log" || fail "could not write the old playlist"
  XDG_CONFIG_HOME=$mnt/config "$saver" settings a >/dev/null 2>>"$work/log" || fail "could not write the old settings"
  XDG_CONFIG_HOME=$mnt/config "$saver" exit "$mnt/data" a >/dev/null 2>>"$work/log" || fail "could not write the old LastPLS.dat"
  : >"$work/log"
}

case $what in
  kill)
    kill_test "$3" "$4" ;;
  fullfs)
    in_namespace
    mnt=$work/mnt; mkdir -p "$mnt"
    mount -t tmpfs -o size=2m tmpfs "$mnt" || { echo "SKIP: cannot mount tmpfs"; exit 77; }
    prepare_old_files "$mnt"
    dd if=/dev/zero of="$mnt/fill" bs=4k 2>/dev/null
    rm -f "$mnt/data/fill"
    refused_saves "$mnt" "No space left on device"
    echo "full file system: every save refused, logged, old files whole, nothing left behind" ;;
  readonly)
    in_namespace
    mnt=$work/mnt; mkdir -p "$mnt"
    mount -t tmpfs -o size=4m tmpfs "$mnt" || { echo "SKIP: cannot mount tmpfs"; exit 77; }
    prepare_old_files "$mnt"
    mount -o remount,ro "$mnt" || { echo "SKIP: cannot remount read-only"; exit 77; }
    refused_saves "$mnt" "Read-only file system"
    echo "read-only folder: every save refused, logged, old files whole, nothing left behind" ;;
  *)
    echo "usage: $0 SAVER kill KIND N | fullfs | readonly" >&2; exit 2 ;;
esac

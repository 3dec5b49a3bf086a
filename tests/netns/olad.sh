# olad.sh: an olad with only its E1.31 (sACN) plugin in a namespace of
# netns.sh, for tests and benchmarks. Source it after netns.sh, then:
#
#   olad_up player|controller IP DIR [unpatched|artnet]
#                                      # starts it (as nobody: olad refuses root),
#                                      # bound to IP, config in DIR, log in DIR.log,
#                                      # E1.31 port 0 patched to universe 1 (an input
#                                      # on the player side) unless "unpatched" (the
#                                      # player patches its own) or "artnet" (unpatched,
#                                      # with the Art-Net plugin too); false when it fails
#   olad_run player|controller CMD ARGS...  # an OLA tool against that olad, as nobody
#   olad_inputs player|controller      # "DEVICE PORT UNIVERSE" per E1.31 input port,
#                                      # UNIVERSE "-" when unpatched
#
# OLA's tools start an olad of their own when none listens, so nothing asks
# before ours listens; ola_patch exits 0 on "Port doesn't exist" too, so its
# silence is the success.
olad_run() { # player|controller CMD ARGS...
    local side=$1
    shift
    "netns_$side" runuser -u nobody -- "$@"
}
olad_inputs() { # player|controller
    # ola_dev_info: "Device 1: E1.31 ..." then "  port 0, IN ..., patched to universe 1"
    olad_run "$1" ola_dev_info | awk '/^Device [0-9]+:/ { d = $2; sub(":", "", d); e131 = /E1\.31/ }
        e131 && /port [0-9]+, IN/ { p = $2; sub(",", "", p); u = "-"
            if (match($0, /patched to universe [0-9]+/)) { u = substr($0, RSTART, RLENGTH); sub(/.* /, "", u) }
            print d, p, u }'
}
olad_up() { # player|controller IP DIR [unpatched]
    local side=$1 ip=$2 conf=$3 patch=${4:-patched} plugin out=""
    mkdir -p "$conf"
    printf 'enabled = true\nip = %s\n' "$ip" >"$conf/ola-e131.conf"
    [ "$patch" = artnet ] && printf 'enabled = true\nip = %s\n' "$ip" >"$conf/ola-artnet.conf"
    for plugin in $([ "$patch" = artnet ] || echo artnet) dummy espnet ftdidmx gpio karate kinet milinst nanoleaf opendmx openpixelcontrol \
        osc pathport renard sandnet shownet spi stageprofi uartdmx usbdmx usbserial dmx4linux; do
        printf 'enabled = false\n' >"$conf/ola-$plugin.conf"
    done
    chmod -R a+rwX "$conf"
    chmod a+x "$(dirname "$conf")"
    "netns_$side" runuser -u nobody -- olad --config-dir "$conf" --no-http --no-register-with-dns-sd -l 2 \
        >"$conf.log" 2>&1 &
    for _ in $(seq 100); do
        "netns_$side" ss -ltn | grep -q '127.0.0.1:9010 ' && break
        sleep 0.1
    done
    [ "$patch" = patched ] || return 0
    for _ in $(seq 100); do
        out=$("netns_$side" runuser -u nobody -- ola_patch -d 1 -p 0 -u 1 $([ "$side" = player ] && echo -i) 2>&1) \
            && [ -z "$out" ] && return 0
        sleep 0.1
    done
    echo "cannot patch the $side's olad: $out" >&2
    "netns_$side" runuser -u nobody -- ola_dev_info >&2
    cat "$conf.log" >&2
    return 1
}

#!/usr/bin/env python3
"""Hostile OSC for the player: wildcard bombs, deep brace patterns and full
8 KiB bundles of them, built byte by byte as a hostile sender would.
--every sends the bundle kinds in turn: all but one fill 8 KiB.

  osc_hostile.py HOST:PORT --once KIND         one datagram of KIND
  osc_hostile.py --dump KIND                   its bytes on standard output
  osc_hostile.py HOST:PORT --every S --seconds T
                                               the bundle kinds in turn, one
                                               every S seconds for T seconds

Prints one line at the end: the datagrams sent and their largest size.
"""
import argparse
import socket
import struct
import sys
import time

MAX_DATAGRAM = 8192


def padded(data: bytes) -> bytes:
    data += b"\0"
    return data + b"\0" * (-len(data) % 4)


def message(path: str, tags: str = ",", args: bytes = b"") -> bytes:
    return padded(path.encode()) + padded(tags.encode()) + args


def bundle(elements) -> bytes:
    out = b"#bundle\0" + struct.pack(">II", 0, 1)  # time tag: now
    for element in elements:
        out += struct.pack(">I", len(element)) + element
    return out


MAX_ELEMENTS = 32  # what the player takes in one bundle


def full(path: str) -> bytes:
    """A bundle of MAX_ELEMENTS copies of a message to path, each with a
    string argument long enough that together they fill MAX_DATAGRAM bytes."""
    room = (MAX_DATAGRAM - 16) // MAX_ELEMENTS - 4
    filler = room - len(padded(path.encode())) - 4 - 4
    return bundle([message(path, ",s", padded(b"x" * filler))] * MAX_ELEMENTS)


BOMB = "/" + "*?" * 20 + "!"  # 42 bytes
LONG_BOMB = "/zuvio/" + "*?" * 28  # as long as the player takes
BRACES = "/zuvio/" + "{" * 20 + "a" + "}" * 20 + "/play"
WIDEST = "/*/*/" + "*?" * 7 + "x" * 45  # the most work the player accepts


def nested(depth: int) -> bytes:
    data = message("/zuvio/a/play")
    for _ in range(depth):
        data = bundle([data])
    return data


KINDS = {
    "bomb": lambda: message(BOMB),
    "braces": lambda: message(BRACES),
    "long": lambda: message("/zuvio/a/" + "x" * 300),
    "unclosed": lambda: message("/zuvio/[ab/stop"),
    "bomb40-bundle": lambda: bundle([message(BOMB)] * 40),  # 2 KiB: 9.2 s before the bounds
    "bomb-bundle": lambda: full(LONG_BOMB),
    "widest-bundle": lambda: full(WIDEST),
    "swarm-bundle": lambda: bundle([message("/*/*")] * ((MAX_DATAGRAM - 16) // 16)),  # too many
    "braces-bundle": lambda: full(BRACES),
    "nested": lambda: nested(10),
}
BUNDLES = ["bomb-bundle", "widest-bundle", "bomb40-bundle", "swarm-bundle", "braces-bundle"]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("to", nargs="?", help="HOST:PORT")
    parser.add_argument("--once", choices=sorted(KINDS))
    parser.add_argument("--dump", choices=sorted(KINDS))
    parser.add_argument("--every", type=float, default=0.1)
    parser.add_argument("--seconds", type=float, default=0)
    options = parser.parse_args()
    if options.dump:
        sys.stdout.buffer.write(KINDS[options.dump]())
        return 0
    if not options.to:
        parser.error("HOST:PORT is needed")
    host, _, port = options.to.rpartition(":")
    target = (host, int(port))
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sent, largest = 0, 0

    def send(kind: str) -> None:
        nonlocal sent, largest
        data = KINDS[kind]()
        assert len(data) <= MAX_DATAGRAM, kind
        sock.sendto(data, target)
        sent += 1
        largest = max(largest, len(data))

    if options.once:
        send(options.once)
    else:
        start = time.monotonic()
        while time.monotonic() - start < options.seconds:
            send(BUNDLES[sent % len(BUNDLES)])
            # Paced against the start, so that a late turn does not slow the rate.
            time.sleep(max(0.0, start + sent * options.every - time.monotonic()))
    print(f"osc_hostile: sent={sent} largest={largest}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

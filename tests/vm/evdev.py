"""Reads an input device as a desktop does, once a device of that name exists: prints "ready"
when its node is open, with the kinds of events it offers ("keys", "moves"), then
"TYPE CODE VALUE" for each event other than a report's end.
Usage: evdev.py NAME"""

import fcntl
import os
import socket
import struct
import sys

EVENT = struct.Struct("llHHi")


def node_named(name):
    for entry in os.listdir("/sys/class/input"):
        if not entry.startswith("event"):
            continue
        with open(f"/sys/class/input/{entry}/device/name") as named:
            if named.read().strip() == name:
                return f"/dev/input/{entry}"
    return None


def offers(node):
    """What the desktop takes the device for: a keyboard has keys, a pointer relative axes."""
    folder = f"/sys/class/input/{os.path.basename(node)}/device/capabilities"
    kinds = []
    for kind, name in (("key", "keys"), ("rel", "moves")):
        with open(f"{folder}/{kind}") as bits:
            if bits.read().strip("0 \n"):
                kinds.append(name)
    return " ".join(kinds)


def main():
    name = sys.argv[1]
    # Listening first: a device made between the look and the listening is still heard of.
    # udev's own announcements (group 2) come after its rules made the node.
    uevents = socket.socket(socket.AF_NETLINK, socket.SOCK_RAW, 15)
    uevents.bind((0, 2))
    node = node_named(name)
    while node is None:
        uevents.recv(65536)
        node = node_named(name)
    descriptor = os.open(node, os.O_RDONLY)
    fcntl.ioctl(descriptor, 0x40044590, 1)  # EVIOCGRAB: the events are ours alone
    print("ready", offers(node), flush=True)
    while True:
        _, _, kind, code, value = EVENT.unpack(os.read(descriptor, EVENT.size))
        if kind != 0:
            print(kind, code, value, flush=True)


if __name__ == "__main__":
    main()

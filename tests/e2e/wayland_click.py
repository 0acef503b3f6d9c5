"""Clicks at a point of a wlroots session through a virtual pointer (zwlr_virtual_pointer_v1): a headless
compositor has no input devices and no packaged tool makes one. Usage: wayland_click.py X Y WIDTH HEIGHT"""
import itertools
import os
import socket
import struct
import sys
import time

DISPLAY_ID = 1
MANAGER = "zwlr_virtual_pointer_manager_v1"


class Connection:
    def __init__(self):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0")))
        self.buffer = b""
        self.ids = itertools.count(DISPLAY_ID + 1)  # the compositor takes new objects' ids in order, no gaps

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("=II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def roundtrip(self):
        """Waits until the compositor has handled every request sent before; returns the events meanwhile."""
        callback, events = next(self.ids), []
        self.send(DISPLAY_ID, 0, struct.pack("=I", callback))  # wl_display.sync
        while True:
            while len(self.buffer) >= 8 and len(self.buffer) >= struct.unpack("=II", self.buffer[:8])[1] >> 16:
                obj, word = struct.unpack("=II", self.buffer[:8])
                payload, self.buffer = self.buffer[8:word >> 16], self.buffer[word >> 16:]
                if obj == callback:
                    return events
                if obj == DISPLAY_ID and word & 0xFFFF == 0:  # wl_display.error
                    raise SystemExit("wayland_click: protocol error %r" % (payload,))
                events.append((obj, word & 0xFFFF, payload))
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("wayland_click: the compositor closed the connection")
            self.buffer += chunk


x, y, width, height = (int(v) for v in sys.argv[1:5])
conn = Connection()
registry = next(conn.ids)
conn.send(DISPLAY_ID, 1, struct.pack("=I", registry))  # wl_display.get_registry
found = {}
for obj, opcode, payload in conn.roundtrip():
    if obj == registry and opcode == 0:  # wl_registry.global: name, interface
        name, length = struct.unpack("=II", payload[:8])
        found[payload[8:8 + length - 1].decode()] = name
if MANAGER not in found:
    raise SystemExit("wayland_click: the compositor offers no " + MANAGER)
# wl_registry.bind(name, interface, version, id), then create_virtual_pointer(seat: none, id)
manager, pointer = next(conn.ids), next(conn.ids)
interface = MANAGER.encode() + b"\0"
interface = struct.pack("=I", len(interface)) + interface + b"\0" * (-len(interface) % 4)
conn.send(registry, 0, struct.pack("=I", found[MANAGER]) + interface + struct.pack("=II", 1, manager))
conn.send(manager, 0, struct.pack("=II", 0, pointer))
conn.roundtrip()
time.sleep(0.3)  # the seat now has a pointer: a moment for clients to take theirs before it moves
stamp = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF  # noqa: E731
conn.send(pointer, 1, struct.pack("=IIIII", stamp(), x, y, width, height))  # motion_absolute
conn.send(pointer, 4)  # frame
for state in (1, 0):
    conn.send(pointer, 2, struct.pack("=III", stamp(), 0x110, state))  # button: BTN_LEFT
    conn.send(pointer, 4)
conn.roundtrip()
conn.send(pointer, 8)  # destroy
conn.roundtrip()

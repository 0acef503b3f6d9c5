"""Clicks at a point of a wlroots session as a mouse would: a virtual pointer (zwlr_virtual_pointer_v1)
moved there, the left button pressed and released. A headless compositor has no input devices and
no tool in the distribution makes one, so this speaks the few requests it needs on the wire itself.
Usage: wayland_click.py X Y WIDTH HEIGHT   (a point in the layout, and the layout's size)"""
import os
import socket
import struct
import sys
import time

DISPLAY_ID = 1
BTN_LEFT = 0x110
MANAGER = "zwlr_virtual_pointer_manager_v1"


class Connection:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0"))
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buffer = b""
        self.last_id = DISPLAY_ID

    def new_id(self):
        # The compositor takes new objects' ids only in order, with no gaps.
        self.last_id += 1
        return self.last_id

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("=II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def events(self):
        """Every event that has arrived so far, as (object, opcode, payload)."""
        while True:
            while len(self.buffer) >= 8:
                obj, word = struct.unpack("=II", self.buffer[:8])
                size = word >> 16
                if len(self.buffer) < size:
                    break
                yield obj, word & 0xFFFF, self.buffer[8:size]
                self.buffer = self.buffer[size:]
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("wayland_click: the compositor closed the connection")
            self.buffer += chunk

    def roundtrip(self, on_event=lambda obj, opcode, payload: None):
        """Waits until the compositor has handled every request sent before."""
        callback = self.new_id()
        self.send(DISPLAY_ID, 0, struct.pack("=I", callback))  # wl_display.sync
        for obj, opcode, payload in self.events():
            if obj == callback:
                return
            if obj == DISPLAY_ID and opcode == 0:  # wl_display.error
                raise SystemExit("wayland_click: protocol error %r" % (payload,))
            on_event(obj, opcode, payload)


def string_arg(text):
    data = text.encode() + b"\0"
    return struct.pack("=I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    x, y, width, height = (int(v) for v in sys.argv[1:5])
    conn = Connection()
    registry = conn.new_id()
    conn.send(DISPLAY_ID, 1, struct.pack("=I", registry))  # wl_display.get_registry
    found = {}

    def note_global(obj, opcode, payload):
        if obj == registry and opcode == 0:  # wl_registry.global
            name, length = struct.unpack("=II", payload[:8])
            interface = payload[8:8 + length - 1].decode()
            found[interface] = name

    conn.roundtrip(note_global)
    if MANAGER not in found:
        raise SystemExit("wayland_click: the compositor offers no " + MANAGER)
    # wl_registry.bind(name, interface, version, id), then create_virtual_pointer(seat: none, id)
    manager, pointer = conn.new_id(), conn.new_id()
    conn.send(registry, 0, struct.pack("=I", found[MANAGER]) + string_arg(MANAGER) + struct.pack("=II", 1, manager))
    conn.send(manager, 0, struct.pack("=II", 0, pointer))
    conn.roundtrip()
    # The seat now has a pointer; give clients a moment to take theirs before it moves.
    time.sleep(0.3)
    stamp = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF
    conn.send(pointer, 1, struct.pack("=IIIII", stamp(), x, y, width, height))  # motion_absolute
    conn.send(pointer, 4)  # frame
    for state in (1, 0):
        conn.send(pointer, 2, struct.pack("=III", stamp(), BTN_LEFT, state))  # button
        conn.send(pointer, 4)
    conn.roundtrip()
    conn.send(pointer, 8)  # destroy
    conn.roundtrip()


if __name__ == "__main__":
    main()

"""A headless sway, run as an unprivileged user (sway refuses root) with its own runtime folder
and ended by its PID; pictures of it through grim; a fake compositor for what sway cannot make
happen; and the folders and client environment that every compositor of the tests uses."""

import glob
import os
import shutil
import socket
import struct
import tempfile
import threading

from glimratest.processes import AS_NOBODY, Started, run
from glimratest.waiting import wait_for

BACKGROUND = bytes.fromhex("ff00ff")  # the outputs' colour in CONFIG
CONFIG = """xwayland disable
output * bg #ff00ff solid_color
output HEADLESS-1 resolution 1024x768 position 0 0
output HEADLESS-2 position 1024 0
default_floating_border none
for_window [app_id="lumeck"] move absolute position 0 0
"""


def compositor_folder():
    """A new folder in the system's temporary folder, which the compositor's user (nobody)
    reaches wherever the checkout is: "run" and "home" private to that user, "client-run" to
    this process's."""
    folder = tempfile.mkdtemp(prefix="glimra-wayland-")
    os.chmod(folder, 0o755)
    for name in ("run", "home"):
        os.mkdir(f"{folder}/{name}", 0o700)
        shutil.chown(f"{folder}/{name}", "nobody", "nogroup")
    os.mkdir(folder + "/client-run", 0o700)
    return folder


def client_env(folder, socket):
    """A Wayland client's environment on socket, with no X display and settings in folder."""
    env = dict(os.environ, XDG_RUNTIME_DIR=folder + "/client-run", WAYLAND_DISPLAY=socket)
    env.update(XDG_CONFIG_HOME=folder + "/config-home")
    env.pop("DISPLAY", None)
    return env


class Sway:
    """One 1024x768 output, HEADLESS-1, on a magenta background that shows what a client leaves
    uncovered; a second one made by create_output goes right of it; lumeck's windows open
    borderless at the layout's corner. env: a client's, with a runtime folder of its own and no
    X display. inside: another Sway in which this one runs, its outputs WL-1 and WL-2 being windows
    titled "wlroots - WL-1" and "wlroots - WL-2" there."""

    def __init__(self, inside=None):
        self.folder = compositor_folder()
        with open(self.folder + "/config", "w") as config:
            config.write(CONFIG)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.folder + "/run", HOME=self.folder + "/home")
        env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        if inside:
            env.update(WLR_BACKENDS="wayland", WLR_WL_OUTPUTS="2")
            env.update(WAYLAND_DISPLAY=inside.env["WAYLAND_DISPLAY"])
        self.process = Started(AS_NOBODY + ["sway", "-c", self.folder + "/config"], env=env)
        sockets = wait_for(self.sockets, "sway's sockets", done=lambda found: len(found) == 2)
        self.env = dict(client_env(self.folder, sockets[0]), SWAYSOCK=sockets[1])

    def sockets(self):
        if not self.process.running():
            raise self.process.failure("did not start")
        return glob.glob(self.folder + "/run/wayland-?") + glob.glob(self.folder + "/run/sway-*")

    def stop(self):
        self.process.end()
        shutil.rmtree(self.folder, ignore_errors=True)

    def swaymsg(self, *args):
        return run(["swaymsg", *args], self.env)

    def picture(self, output=None, area=None):
        """A PPM picture of an output, of an area "X,Y WxH" of the layout, or of all of it."""
        where = ["-o", output] if output else ["-g", area] if area else []
        return run(["grim", *where, "-t", "ppm", "-"], self.env, text=False)


def _string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


class FakeCompositor(threading.Thread):
    """A compositor at folder/fake-0 that says little: it offers an output, a seat with a
    keyboard that never enters a surface and a touch screen, and `shell`; it answers syncs,
    never configures a surface, and touches the first one committed if `touch`. With `shell`
    None it accepts a client and never answers. `committed` is set at the first commit."""

    def __init__(self, folder, shell, touch=False):
        super().__init__(daemon=True)
        self.shell, self.touch, self.committed = shell, touch, threading.Event()
        self.server = socket.socket(socket.AF_UNIX)
        self.server.bind(folder + "/fake-0")
        self.server.listen()
        self.start()

    def run(self):
        client, _ = self.server.accept()
        if self.shell is None:
            return self.committed.wait()  # holds the connection, mute
        offered = ["wl_compositor", "wl_shm", "wl_output", "wl_seat", self.shell]
        versions = {"wl_compositor": 4, "wl_output": 3, "wl_seat": 5, "zwlr_layer_shell_v1": 3}
        objects, data, shown = {1: "wl_display"}, b"", None
        send = lambda *words: client.sendall(struct.pack(f"<{len(words)}I", *words))  # noqa: E731
        while chunk := client.recv(4096):
            data += chunk
            while len(data) >= 8 and len(data) >= struct.unpack("<I", data[4:8])[0] >> 16:
                target, word = struct.unpack("<II", data[:8])
                request = (objects.get(target), word & 0xFFFF)
                new_id = struct.unpack("<I", data[(word >> 16) - 4 : word >> 16])[0]
                args, data = data[8 : word >> 16], data[word >> 16 :]
                if request == ("wl_display", 0):  # sync: done, then the id is free
                    send(new_id, 12 << 16, 0), send(1, 12 << 16 | 1, new_id)
                elif request == ("wl_display", 1):  # get_registry
                    for name, interface in enumerate(offered, 1):
                        body = struct.pack("<I", name) + _string(interface)
                        body += struct.pack("<I", versions.get(interface, 1))
                        client.sendall(struct.pack("<II", new_id, 8 + len(body) << 16) + body)
                    objects[new_id] = "wl_registry"
                elif request == ("wl_registry", 0):  # bind
                    objects[new_id] = offered[struct.unpack("<I", args[:4])[0] - 1]
                    if objects[new_id] == "wl_seat":
                        send(new_id, 12 << 16, 2 | 4)  # capabilities: keyboard, touch
                elif request in (("wl_compositor", 0), ("wl_seat", 2)):
                    objects[new_id] = {"wl_compositor": "wl_surface"}.get(request[0], "wl_touch")
                elif request == ("wl_surface", 6):
                    self.committed.set()
                    shown = shown or target
                touches = [id for id, kind in objects.items() if kind == "wl_touch"]
                if self.touch and shown and touches:  # down: serial, time, surface, id, x, y
                    send(touches[0], 32 << 16, 1, 0, shown, 0, 0, 0)
                    self.touch = False

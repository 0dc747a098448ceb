"""A headless sway, run as an unprivileged user (sway refuses root) with its own runtime folder
and ended by its PID; pictures of it through grim. The folders and the client environment that
every compositor of the tests uses."""

import glob
import os
import shutil
import tempfile

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
        """A PPM picture of an output, or of an area "X,Y WxH" of the layout."""
        where = ["-o", output] if output else ["-g", area]
        return run(["grim", *where, "-t", "ppm", "-"], self.env, text=False)

"""The desktops' compositors from Debian, each a window of an Xvfb of its own, run as nobody with
a private runtime folder, home and session bus: a picture of the Xvfb shows what a person sees,
and xdotool there types and points through the compositor's own focus rules. A weston-eventdemo
window on it holds the keyboard and logs the keys it gets."""

import glob
import os
import re
import shutil
import tempfile

from glimratest import displays, session
from glimratest.pictures import blobs_of
from glimratest.processes import AS_NOBODY, Started, run
from glimratest.waiting import TimedOut, wait_for
from glimratest.wayland import client_env, compositor_folder

SOCKET = "wayland-glimra"
COMMANDS = {  # {folder}: the compositor's own, {display}: its Xvfb's
    "mutter": f"mutter --nested --wayland --wayland-display={SOCKET}",  # an 800x600 output
    "weston": "weston --backend=x11-backend.so --use-pixman --width=1024 --height=768"
    f" --idle-time=0 --socket={SOCKET}",
    "kwin": "{folder}/kwin_wayland --x11-display={display} --width=1024 --height=768"
    f" --socket={SOCKET} --no-lockscreen --no-kactivities",
}


class Nested:
    """A compositor (a key of COMMANDS) in a 1024x768 Xvfb, each process of which is handed to
    cleanup (such as addClassCleanup) as it starts. env: a Wayland client's there."""

    def __init__(self, name, cleanup):
        self.folder = compositor_folder()
        cleanup(shutil.rmtree, self.folder, ignore_errors=True)
        if name == "kwin":  # a copy drops the file capability that exec refuses here
            shutil.copy("/usr/bin/kwin_wayland", self.folder)
        xvfb = displays.start_xvfb("-ac", "-screen", "0", "1024x768x24")
        cleanup(xvfb.stop)
        bus, address = session.start_bus(AS_NOBODY)
        cleanup(bus.end)
        self.x_env = xvfb.env()
        env = xvfb.env(XDG_RUNTIME_DIR=self.folder + "/run", HOME=self.folder + "/home")
        env.update(DBUS_SESSION_BUS_ADDRESS=address)
        command = COMMANDS[name].format(folder=self.folder, display=xvfb.display)
        self.process = Started(AS_NOBODY + command.split(), env)
        cleanup(self.process.end)
        socket = f"{self.folder}/run/{SOCKET}"
        self.wait_for(lambda: os.path.exists(socket), "the compositor's socket")
        self.env = client_env(self.folder, socket)
        self.xdotool("mousemove", 400, 300)  # into its window, where the Xvfb's keys go
        self.key_log = tempfile.NamedTemporaryFile()
        command = ["stdbuf", "-oL", "weston-eventdemo", "--log-key"]
        cleanup(Started(command, self.env, stdout=self.key_log).end)
        typed = lambda: self.xdotool("key", "x") or self.keys_logged()  # noqa: E731
        self.wait_for(typed, "weston-eventdemo to get the typing")

    def wait_for(self, probe, what, *others):
        """wait_for, failing with the stderr of the compositor, or of others (Started) that have
        ended meanwhile."""

        def checked():
            for process in (self.process, *others):
                if not process.running():
                    raise process.failure(f"ended while waiting for {what}")
            return probe()

        try:
            return wait_for(checked, what)
        except TimedOut as timeout:
            raise self.process.failure(str(timeout)) from None

    def keys_logged(self):
        """How many key presses weston-eventdemo has got."""
        with open(self.key_log.name) as log:
            return log.read().count("state: pressed")

    def xdotool(self, *args):
        return run(["xdotool", *args], self.x_env)

    def picture(self):
        return run(["import", "-window", "root", "-depth", "8", "ppm:-"], self.x_env, text=False)

    def covered(self):
        """Whether the output is black but for the dots of a saver, at most 1 % of it."""
        return sum(blob.pixels for blob in blobs_of(self.picture())) < 0.01 * 1024 * 768

    def xwayland_env(self):
        """An X11 client's environment on mutter's Xwayland, with no Wayland display."""
        display = re.search(r"Using public X11 display (:\d+)", self.process.error_output())
        [authority] = glob.glob(self.folder + "/run/.mutter-Xwaylandauth.*")
        env = dict(self.env, DISPLAY=display[1], XAUTHORITY=authority)
        env.pop("WAYLAND_DISPLAY")
        return env

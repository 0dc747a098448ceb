"""The X11 suite's world: the two-head Xorg of the fixture `xorg`, a settings file and runtime
folder of its own, and the tests' X helper (host_window). `xenv.py setup` starts the server and
writes its state to GLIMRA_X11_STATE; `xenv.py cleanup` ends it by its PID."""

import json
import os
import shutil
import sys
import tempfile
import unittest

from glimratest import displays, pictures
from glimratest.processes import Started, run
from glimratest.waiting import TimedOut, wait_for

PRIMARY = pictures.Rect(1024, 0, 2048, 768)
HOST = pictures.Rect(1100, 100, 1252, 212)  # the helper's window, standing in for a preview host


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    try:
        return wait_for(condition, "a condition", timeout, 0.05)
    except TimedOut:
        return condition()


def ended(process, timeout):
    """Whether the process has ended within timeout."""
    return poll(lambda: process.poll() is not None, timeout)


def load_state():
    with open(os.environ["GLIMRA_X11_STATE"]) as state:
        return json.load(state)


def env(state, **extra):
    server = displays.XServer(**state["server"])
    folder = state["folder"]
    return server.env(XDG_CONFIG_HOME=folder + "/config", XDG_RUNTIME_DIR=folder + "/run", **extra)


class Case(unittest.TestCase):
    """A test on the shared display, with the settings (count, interval) it starts lumeck with."""

    settings = (30, 100)

    @classmethod
    def setUpClass(cls):
        cls.state = load_state()
        cls.display = cls.state["display"]
        os.makedirs(cls.state["folder"] + "/config/Vestrel", exist_ok=True)
        with open(cls.state["folder"] + "/config/Vestrel/settings.ini", "w") as out:
            out.write("[config]\nNumberofPoint=%s\nspeed=%s\n" % cls.settings)

    def helper(self, *args):
        """The X helper's answer to a question (cursor, keyboard)."""
        return run([os.environ["GLIMRA_HOST_WINDOW"], *args], env=env(self.state)).strip()

    def run_helper(self, *args):
        """The X helper running beside the test, its input and output open as text."""
        command = [os.environ["GLIMRA_HOST_WINDOW"], *args]
        helper = Started(command, env=env(self.state), stdin=-1, stdout=-1, text=True)
        self.addCleanup(helper.end)
        return helper

    def xdotool(self, *args):
        return run(["xdotool", *args], env=env(self.state), check=False).strip()

    def host(self):
        """The helper's window at HOST, alive until the test ends; returns its id."""
        helper = self.run_helper()
        answer = helper.stdout.readline()
        if not answer:
            raise helper.failure("printed no window id")
        return int(answer)

    def start(self, *args, **extra_env):
        process = Started([os.environ["GLIMRA_LUMECK"], *args], env=env(self.state, **extra_env))
        self.addCleanup(process.end)
        return process

    def dots(self, rect, width=None):
        """The 4-connected blobs in rect; with a width, only the whole dots of that width."""
        found = pictures.blobs(env(self.state), rect, connectivity=4)
        if width is None:
            return found
        return [blob for blob in found if (blob.width, blob.height) == (width, width)]

    def painted(self, width):
        """Waits for at least three dots of the pen's width in the host's window."""
        return wait_for(lambda: len(self.dots(HOST, width)) >= 3, f"{width} px dots in the host")


def setup():
    folder = tempfile.mkdtemp(prefix="glimra-x11-")
    os.mkdir(folder + "/run", 0o700)
    displays.cache_fonts()
    server = displays.start_two_heads(folder)
    with open(os.environ["GLIMRA_X11_STATE"], "w") as out:
        json.dump({"folder": folder, "display": server.display, "server": server.__dict__}, out)


def cleanup():
    state = load_state()
    displays.XServer(**state["server"]).stop()
    shutil.rmtree(state["folder"], ignore_errors=True)


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()

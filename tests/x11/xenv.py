"""The private X server of the end-to-end tests and the tools that look at it: an Xorg
with the dummy driver and two heads side by side, the primary one on the right.
As the ctest fixture, `xenv.py setup` starts it and writes its state; `cleanup` ends it."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

PRIMARY = (1024, 0, 1024, 768)  # x, y, width, height
HOST = (1100, 100, 152, 112)  # the helper's window, standing in for a preview host


def env(state, **extra):
    return dict(os.environ, DISPLAY=state["display"], XDG_CONFIG_HOME=state["folder"] + "/config",
                XDG_RUNTIME_DIR=state["folder"] + "/run", **extra)


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < end:
        time.sleep(0.05)
    return value


def ended(process, timeout):
    return poll(lambda: process.poll() is not None, timeout)


def dots(display, area, width=None):
    """The blobs of non-black pixels of the screen inside area (x, y, w, h), each as its
    size "WxH" and pixel count; with a width, only the pixel counts of whole dots that wide."""
    shot = subprocess.run(["import", "-display", display, "-window", "root", "-crop",
                           "%dx%d+%d+%d" % (area[2], area[3], area[0], area[1]), "ppm:-"],
                          check=True, capture_output=True).stdout
    found = subprocess.run(["convert", "ppm:-", "-threshold", "0", "-define",
                            "connected-components:verbose=true", "-connected-components", "4",
                            "null:"], input=shot, check=True, capture_output=True).stdout
    blobs = [(line.split()[1].split("+")[0], int(line.split()[3]))
             for line in found.decode().splitlines()[1:] if line.endswith("(255,255,255)")]
    return blobs if width is None else [n for size, n in blobs if size == "%dx%d" % (width, width)]


class Case(unittest.TestCase):
    """A test on the shared display, with the settings it starts lumeck with."""
    settings = (30, 100)

    @classmethod
    def setUpClass(cls):
        cls.state = json.load(open(os.environ["GLIMRA_X11_STATE"]))
        os.makedirs(cls.state["folder"] + "/config/Vestrel", exist_ok=True)
        with open(cls.state["folder"] + "/config/Vestrel/settings.ini", "w") as out:
            out.write("[config]\nNumberofPoint=%s\nspeed=%s\n" % cls.settings)

    def run_helper(self, *args, **kwargs):
        return subprocess.Popen([os.environ["GLIMRA_HOST_WINDOW"], *args], env=env(self.state),
                                text=True, stdin=subprocess.PIPE, stdout=subprocess.PIPE, **kwargs)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=env(self.state),
                              capture_output=True, text=True).stdout.strip()

    def host(self):
        """The helper's window at HOST, alive until the test ends."""
        helper = self.run_helper()
        self.addCleanup(helper.communicate)
        helper.id = int(helper.stdout.readline())
        return helper

    def start(self, *args, **extra_env):
        process = subprocess.Popen([os.environ["GLIMRA_LUMECK"], *args],
                                   env=env(self.state, **extra_env), stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process

    def painted(self, width):
        """Whether dots of the pen's width appear in the host's window."""
        return poll(lambda: len(dots(self.state["display"], HOST, width)) >= 3)


if __name__ == "__main__" and sys.argv[1] == "setup":
    folder = tempfile.mkdtemp(prefix="glimra-x11-")
    os.mkdir(folder + "/run", 0o700)
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xorg", "-config", os.path.abspath("xorg.conf"), "-configdir", folder, "-noreset",
         "-nolisten", "tcp", "-ac", "-novtswitch", "-logfile", folder + "/xorg.log",
         "-displayfd", str(write_end)], pass_fds=[write_end], stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    display = ":" + os.fdopen(read_end).readline().strip()
    for args in ("--addmode DUMMY1 1024x768", "--output DUMMY0 --mode 1024x768 --pos 0x0",
                 "--output DUMMY1 --mode 1024x768 --right-of DUMMY0 --primary"):
        subprocess.run(["xrandr", "-display", display, *args.split()], check=True)
    with open(os.environ["GLIMRA_X11_STATE"], "w") as out:
        json.dump({"folder": folder, "display": display, "pid": server.pid}, out)
elif __name__ == "__main__":
    state = json.load(open(os.environ["GLIMRA_X11_STATE"]))
    os.kill(state["pid"], 15)
    poll(lambda: not os.path.exists("/proc/%d" % state["pid"]), 10)
    shutil.rmtree(state["folder"], ignore_errors=True)

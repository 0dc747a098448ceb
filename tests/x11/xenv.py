"""The private X server of the end-to-end tests and the tools that look at it: an Xorg
with the dummy driver and two heads side by side, the primary one on the right.
As the ctest fixture, `xenv.py setup` starts it and writes its state; `cleanup` ends it."""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PRIMARY = (1024, 0, 1024, 768)  # x, y, width, height
HOST = (1100, 100, 152, 112)  # the helper's window, standing in for a preview host


def start_server(folder):
    """Starts Xorg on a display number it picks itself; returns (display, pid)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xorg", "-config", os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                         "xorg.conf"), "-configdir", folder, "-noreset",
         "-nolisten", "tcp", "-ac", "-novtswitch", "-logfile", folder + "/xorg.log",
         "-displayfd", str(write_end)], pass_fds=[write_end], stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = ":" + pipe.readline().strip()
    for args in (["--addmode", "DUMMY1", "1024x768"], ["--output", "DUMMY0", "--mode",
                 "1024x768", "--pos", "0x0"], ["--output", "DUMMY1", "--mode", "1024x768",
                 "--right-of", "DUMMY0", "--primary"]):
        subprocess.run(["xrandr", "-display", display] + args, check=True)
    return display, server.pid


def load_state():
    with open(os.environ["GLIMRA_X11_STATE"]) as state:
        return json.load(state)


def env(state, **extra):
    return dict(os.environ, DISPLAY=state["display"], XDG_CONFIG_HOME=state["folder"] + "/config",
                XDG_RUNTIME_DIR=state["folder"] + "/run", **extra)


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < end:
        time.sleep(0.05)
    return value


def dots(display, area, width=None):
    """The connected blobs of non-black pixels of the screen inside area (x, y, w, h), each
    as its size (width, height) and pixel count; with a width, only whole dots that wide."""
    ppm = subprocess.run(["import", "-display", display, "-window", "root", "-crop",
                          "%dx%d+%d+%d" % (area[2], area[3], area[0], area[1]), "-depth", "8",
                          "ppm:-"], check=True, capture_output=True).stdout
    data = ppm[-3 * area[2] * area[3]:]
    lit = {(i // 3 % area[2], i // 3 // area[2]) for i in range(0, len(data), 3)
           if data[i] or data[i + 1] or data[i + 2]}
    blobs = []
    while lit:
        stack, points = [lit.pop()], []
        while stack:
            x, y = stack.pop()
            points.append((x, y))
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if n in lit:
                    lit.remove(n)
                    stack.append(n)
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        blobs.append(((max(xs) - min(xs) + 1, max(ys) - min(ys) + 1), len(points)))
    return blobs if width is None else [n for size, n in blobs if size == (width, width)]


def ended(process, timeout):
    return poll(lambda: process.poll() is not None, timeout)


class Host:  # the helper's window at HOST
    def __init__(self, state):
        self.process = subprocess.Popen([os.environ["GLIMRA_HOST_WINDOW"], *map(str, HOST[2:])],
                                        env=env(state), text=True, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.id = int(self.process.stdout.readline())

    def command(self, line):
        print(line, file=self.process.stdin, flush=True)
        return list(iter(lambda: self.process.stdout.readline().strip(), "done"))

    def close(self):
        self.process.stdin.close()
        self.process.wait(10)
        self.process.stdout.close()


class Case(unittest.TestCase):
    """A test on the shared display, with the settings it starts lumeck with."""
    settings = (30, 100)

    @classmethod
    def setUpClass(cls):
        cls.state = load_state()
        os.makedirs(cls.state["folder"] + "/config/Vestrel", exist_ok=True)
        with open(cls.state["folder"] + "/config/Vestrel/settings.ini", "w") as out:
            out.write("[config]\nNumberofPoint=%s\nspeed=%s\n" % cls.settings)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=env(self.state),
                              capture_output=True, text=True).stdout.strip()

    def host(self):
        host = Host(self.state)
        self.addCleanup(host.close)
        return host

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
    os.chmod(folder, 0o755)  # XScreenSaver's user must reach the installed lumeck
    display, pid = start_server(folder)
    os.mkdir(folder + "/run", 0o700)
    os.makedirs(os.path.dirname(os.environ["GLIMRA_X11_STATE"]), exist_ok=True)
    with open(os.environ["GLIMRA_X11_STATE"], "w") as out:
        json.dump({"folder": folder, "display": display, "pid": pid}, out)
elif __name__ == "__main__":
    state = load_state()
    os.kill(state["pid"], signal.SIGTERM)
    poll(lambda: not os.path.exists("/proc/%d" % state["pid"]), 10)
    shutil.rmtree(state["folder"], ignore_errors=True)

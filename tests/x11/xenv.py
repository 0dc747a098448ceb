"""The private X server of the end-to-end tests and the tools that look at it: an Xorg
with the dummy driver and two heads side by side, the primary one on the right."""
import json
import os
import subprocess
import time
import unittest

PRIMARY = (1024, 0, 1024, 768)  # x, y, width, height


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
    return dict(os.environ, DISPLAY=state["display"], XDG_CONFIG_HOME=state["config"],
                XDG_RUNTIME_DIR=state["runtime"], **extra)


def poll(condition, timeout=10.0):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while not (value := condition()) and time.monotonic() < end:
        time.sleep(0.05)
    return value


def dots(display, area):
    """The connected blobs of non-black pixels of the screen inside area (x, y, w, h),
    each as its size (width, height) and pixel count."""
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
    return blobs


def round_dots(blobs, width):
    """The blobs that are single whole dots of the pen's width."""
    return [count for size, count in blobs if size == (width, width)]


def xdotool(state, *args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], env=env(state),
                          capture_output=True, text=True).stdout.strip()


def start(state, *args, extra_env=None):
    return subprocess.Popen([os.environ["GLIMRA_LUMECK"]] + list(args),
                            env=env(state, **(extra_env or {})), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def ended(process, timeout):
    return poll(lambda: process.poll() is not None, timeout)


def write_settings(state, count, speed):
    os.makedirs(os.path.join(state["config"], "Vestrel"), exist_ok=True)
    with open(os.path.join(state["config"], "Vestrel/settings.ini"), "w") as out:
        out.write("[config]\nNumberofPoint=%s\nspeed=%s\n" % (count, speed))


class Host:  # the helper's window at 1100,100, standing in for a preview host
    def __init__(self, state, width, height):
        self.process = subprocess.Popen([os.environ["GLIMRA_HOST_WINDOW"], str(width),
                                         str(height)], env=env(state), text=True,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
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
        write_settings(cls.state, *cls.settings)

    def host(self, width=152, height=112):
        host = Host(self.state, width, height)
        self.addCleanup(host.close)
        return host

    def start(self, *args, **kwargs):
        process = start(self.state, *args, **kwargs)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process

    def painted(self, width):
        """Whether dots of the pen's width appear in a host's window."""
        return poll(lambda: len(round_dots(dots(self.state["display"], (1100, 100, 152, 112)),
                                           width)) >= 3)

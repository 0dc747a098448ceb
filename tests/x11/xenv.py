"""The private X server of the end-to-end tests and the tools that look at it.

An Xorg with the dummy driver gives two real heads, side by side, with the primary one on
the right, so that "the primary monitor" is not simply the screen. It runs as root, on a
display number it picks itself (-displayfd), and is ended by its pid.
"""
import json
import os
import subprocess
import tempfile
import time

XORG_CONF = """
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "mon"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "mon"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2048 768
  EndSubSection
EndSection
"""

# The primary head: 1024 x 768 at 1024,0, right of the other.
PRIMARY = (1024, 0, 1024, 768)


def start_server(folder):
    """Starts Xorg with two heads; returns (display, pid)."""
    with open(os.path.join(folder, "xorg.conf"), "w") as conf:
        conf.write(XORG_CONF)
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xorg", "-config", os.path.join(folder, "xorg.conf"), "-configdir", folder,
         "-noreset", "-nolisten", "tcp", "-ac", "-novtswitch",
         "-logfile", os.path.join(folder, "xorg.log"), "-displayfd", str(write_end)],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        raise RuntimeError("Xorg did not start; see " + folder + "/xorg.log")
    display = ":" + number
    env = dict(os.environ, DISPLAY=display)
    for args in (["--addmode", "DUMMY1", "1024x768"],
                 ["--output", "DUMMY0", "--mode", "1024x768", "--pos", "0x0"],
                 ["--output", "DUMMY1", "--mode", "1024x768", "--right-of", "DUMMY0"],
                 ["--output", "DUMMY1", "--primary"]):
        subprocess.run(["xrandr"] + args, env=env, check=True)
    return display, server.pid


def load_state():
    with open(os.environ["GLIMRA_X11_STATE"]) as state:
        return json.load(state)


def env(state):
    return dict(os.environ, DISPLAY=state["display"], XDG_CONFIG_HOME=state["config"],
                XDG_RUNTIME_DIR=state["runtime"])


def poll(condition, timeout=10.0, step=0.05):
    """The condition's first true value, or its last value once the time is up."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


def screenshot(display):
    """The root window as (width, height, rows of (r, g, b) bytes)."""
    ppm = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    # "P6", width, height, maximum, each followed by one whitespace byte, then the pixels.
    fields, at = [], 0
    while len(fields) < 4:
        end = at
        while ppm[end] not in b" \t\r\n":
            end += 1
        if end > at:
            fields.append(ppm[at:end])
        at = end + 1
    width, height = int(fields[1]), int(fields[2])
    return width, height, ppm[at:at + 3 * width * height]


def pixel(shot, x, y):
    width, _, data = shot
    at = 3 * (y * width + x)
    return tuple(data[at:at + 3])


def dots(shot, area):
    """The connected blobs of non-black pixels inside area (x, y, w, h), each as its
    bounding box (left, top, right, bottom) and pixel count."""
    width, _, data = shot
    ax, ay, aw, ah = area
    lit = set()
    for y in range(ay, ay + ah):
        row = 3 * y * width
        for x in range(ax, ax + aw):
            at = row + 3 * x
            if data[at] or data[at + 1] or data[at + 2]:
                lit.add((x, y))
    blobs = []
    while lit:
        stack = [lit.pop()]
        points = []
        while stack:
            x, y = stack.pop()
            points.append((x, y))
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if n in lit:
                    lit.remove(n)
                    stack.append(n)
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        blobs.append(((min(xs), min(ys), max(xs) + 1, max(ys) + 1), len(points)))
    return blobs


def xdotool(state, *args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], env=env(state),
                          capture_output=True, text=True).stdout.strip()


def start(state, *args, extra_env=None):
    return subprocess.Popen([os.environ["GLIMRA_LUMECK"]] + list(args),
                            env=dict(env(state), **(extra_env or {})),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def ended(process, timeout):
    """True when the process has ended within the time."""
    return poll(lambda: process.poll() is not None, timeout)


def write_settings(state, count, speed):
    folder = os.path.join(state["config"], "Vestrel")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "settings.ini"), "w") as out:
        out.write("[config]\nNumberofPoint=%s\nspeed=%s\n" % (count, speed))


class Host:
    """A window made by the tests' helper, standing in for a preview host."""

    def __init__(self, state, width, height):
        self.process = subprocess.Popen([os.environ["GLIMRA_HOST_WINDOW"], str(width),
                                         str(height)], env=env(state), text=True,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.id = int(self.process.stdout.readline())

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        lines = []
        while (reply := self.process.stdout.readline().strip()) != "done":
            lines.append(reply)
        return lines

    def close(self):
        self.process.stdin.close()
        self.process.wait(10)
        self.process.stdout.close()


def round_dots(blobs, width):
    """The blobs that are single whole dots of the pen's width."""
    return [b for b in blobs if b[0][2] - b[0][0] == width and b[0][3] - b[0][1] == width]

"""lumeck on a private Xvfb display with a home of its own, read as assistive technology
reads it (AT-SPI on the D-Bus session of dbus-run-session) and driven by xdotool."""
import ctypes
import os
import shutil
import subprocess
import tempfile
import time

import pyatspi
from gi.repository import GLib

def poll(check, what, timeout=15.0):
    end = time.monotonic() + timeout
    while not (result := check()):
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)
    return result

def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(content)

def ended(process):
    return poll(lambda: process.poll() is not None, "the end") and process.returncode

class Display:
    """Xvfb with a home in it; `dpi` is Xft.dpi, which GTK sizes fonts and the dialog by."""

    def __init__(self, test, dpi=96):
        read_end, write_end = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-ac",
                                   "-noreset"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        test.addCleanup(lambda: server.terminate() or server.wait())
        os.close(write_end)
        self.name = ":" + os.fdopen(read_end).readline().strip()
        self.run("xrdb", "-merge", input=f"Xft.dpi: {dpi}\n")
        self.home = tempfile.mkdtemp(prefix="glimra-gtk-")
        test.addCleanup(shutil.rmtree, self.home)
        os.chmod(self.home, 0o755)
        self.env = {k: v for k, v in os.environ.items() if k != "NO_AT_BRIDGE"}
        self.env.update(DISPLAY=self.name, HOME=self.home, XDG_RUNTIME_DIR=self.home + "/run",
                        XDG_CONFIG_HOME=self.home + "/config", XDG_DATA_HOME=self.home + "/data")
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        self.settings = self.home + "/config/Vestrel/settings.ini"

    def run(self, *command, input=None, check=True):
        return subprocess.run(command, input=input, text=True, capture_output=True, check=check,
                              env=dict(os.environ, DISPLAY=self.name)).stdout

    def click(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")

    def windows(self, name):
        found = self.run("xdotool", "search", "--onlyvisible", "--name", name, check=False)
        return [int(window) for window in found.split()]

    def close_window(self, window):  # what a window manager's close box sends
        x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x11.XOpenDisplay.restype = x11.XInternAtom.restype = ctypes.c_void_p
        display = ctypes.c_void_p(x11.XOpenDisplay(self.name.encode()))
        atoms = [x11.XInternAtom(display, name, 0) for name in (b"WM_PROTOCOLS",
                                                                 b"WM_DELETE_WINDOW")]
        event = (ctypes.c_long * 24)(33, 0, 0, 0, window, atoms[0], 32, atoms[1])
        x11.XSendEvent(display, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        x11.XCloseDisplay(display)

    def store(self, **values):
        write(self.settings, "[config]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))
        return open(self.settings, "rb").read()

    def stored(self):
        keys = GLib.KeyFile()
        keys.load_from_file(self.settings, GLib.KeyFileFlags.NONE)
        return {key: keys.get_string("config", key) for key in keys.get_keys("config")[0]}

    def start(self, *args, lumeck=os.environ.get("LUMECK"), user=None):
        as_user = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"]
        return subprocess.Popen((as_user if user else []) + [lumeck, *args], env=self.env)

def window_of(process, role, name):
    """The process's top-level accessible of that role and name, once it shows."""
    def find():
        apps = [app for app in pyatspi.Registry.getDesktop(0)
                if app is not None and app.get_process_id() == process.pid]
        return next((w for app in apps for w in app
                     if w.getRoleName() == role and w.name == name), None)
    return poll(find, f"the {role} {name!r}")

def descendants(node):
    for child in node:
        yield child
        yield from descendants(child)

def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height

text = lambda node: node.queryText().getText(0, -1)  # noqa: E731
selection = lambda node: node.queryText().getSelection(0)[:2]  # noqa: E731
focused = lambda node: node.getState().contains(pyatspi.STATE_FOCUSED)  # noqa: E731
value = lambda node: node.queryValue().currentValue  # noqa: E731

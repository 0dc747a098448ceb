"""Runs lumeck on a private Xvfb display, with its own home, and reads its windows as
assistive technology does: AT-SPI on the private D-Bus session that dbus-run-session gives
each test. Input is real: xdotool moves the pointer and presses keys on that display."""
import ctypes
import os
import shutil
import subprocess
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

LUMECK = os.environ.get("LUMECK", "lumeck")


def poll(check, what, timeout=15.0):
    """The first true result of check(), polled; fails after `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


class Display:
    """A private Xvfb screen; `dpi` sets Xft.dpi, the figure GTK sizes fonts and the dialog by."""

    def __init__(self, dpi=None):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-ac", "-noreset"], pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.name = ":" + pipe.readline().strip()
        if dpi:
            self.run("xrdb", "-merge", input=f"Xft.dpi: {dpi}\n")

    def run(self, *command, input=None):
        return subprocess.run(command, input=input, text=True, capture_output=True, check=True,
                              env=dict(os.environ, DISPLAY=self.name)).stdout

    def click(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")

    def key(self, *keys):
        self.run("xdotool", "key", *keys)

    def windows(self, name):
        try:
            return [int(w) for w in self.run("xdotool", "search", "--onlyvisible", "--name", name).split()]
        except subprocess.CalledProcessError:
            return []

    def screenshot(self, path, x, y, width, height):
        self.run("import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", path)

    def close_window(self, window):
        """What a window manager's close box does: a WM_DELETE_WINDOW message."""
        x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        display = x11.XOpenDisplay(self.name.encode())
        event = (ctypes.c_long * 24)()  # an XClientMessageEvent in an XEvent's room
        event[0] = 33  # ClientMessage
        event[4] = window
        event[5] = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event[6] = 32  # format
        event[7] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay(display)

    def close(self):
        self.server.terminate()
        self.server.wait()


class Home:
    """One user's folders: settings under XDG_CONFIG_HOME, desktop data under XDG_DATA_HOME."""

    def __init__(self, display):
        self.root = tempfile.mkdtemp(prefix="glimra-gtk-")
        os.chmod(self.root, 0o755)
        self.env = dict(os.environ, DISPLAY=display.name, HOME=self.root,
                        XDG_CONFIG_HOME=os.path.join(self.root, "config"),
                        XDG_DATA_HOME=os.path.join(self.root, "data"),
                        XDG_RUNTIME_DIR=os.path.join(self.root, "run"))
        self.env.pop("NO_AT_BRIDGE", None)
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        self.settings = os.path.join(self.env["XDG_CONFIG_HOME"], "Vestrel", "settings.ini")

    def store(self, **values):
        keys = GLib.KeyFile()
        for key, value in values.items():
            keys.set_string("config", key, value)
        os.makedirs(os.path.dirname(self.settings), exist_ok=True)
        keys.save_to_file(self.settings)

    def stored(self):
        keys = GLib.KeyFile()
        try:
            keys.load_from_file(self.settings, GLib.KeyFileFlags.NONE)
        except GLib.Error:
            return {}
        return {key: keys.get_string("config", key) for key in keys.get_keys("config")[0]}

    def start(self, *args, user=None):
        command = [LUMECK, *args]
        if user:
            command = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups",
                       *command]
        return subprocess.Popen(command, env=self.env, stderr=subprocess.PIPE, text=True)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def window_of(process, role, name):
    """The process's top-level accessible of that role and name, once it shows."""

    def find():
        for app in pyatspi.Registry.getDesktop(0):
            if app is None or app.get_process_id() != process.pid:
                continue
            for window in app:
                if window.getRoleName() == role and window.name == name:
                    return window
        return None

    return poll(find, f"the {role} {name!r} of pid {process.pid}")


def controls(window):
    """The window's accessibles by their accessible id (the control's name in the layout)."""
    found = {}

    def walk(node):
        for child in node:
            if child.accessibleId:
                found[child.accessibleId] = child
            walk(child)

    walk(window)
    return found


def descendants(node, role):
    result = [node] if node.getRoleName() == role else []
    for child in node:
        result += descendants(child, role)
    return result


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def centre(accessible):
    x, y, width, height = extents(accessible)
    return x + width // 2, y + height // 2


def text(accessible):
    return accessible.queryText().getText(0, -1)


def selection(accessible):
    texts = accessible.queryText()
    return texts.getSelection(0)[:2] if texts.getNSelections() else None


def focused(accessible):
    return accessible.getState().contains(pyatspi.STATE_FOCUSED)


def value(accessible):
    return accessible.queryValue().currentValue
